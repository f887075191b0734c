#!/usr/bin/env bash
# Mutation check: plants each realistic fault of a list in a scratch copy of the
# sources, rebuilds incrementally, runs the suite, and tells whether the suite
# noticed. A survivor is a fault the tests let through.
#
#   scripts/mutants.sh [--ref GIT_REF] [--only ID[,ID...]] [--list FILE] [--table FILE]
#
#   --ref GIT_REF  check that commit (via git archive) instead of the working tree as it
#                  is now, uncommitted changes included
#   --only IDS     only these mutants (comma-separated ids)
#   --list FILE    the mutant list (default: scripts/mutants.txt beside this script;
#                  its format is described at its top)
#   --table FILE   where the table goes as it grows (default: $TQV_MUTANT_DIR/table.txt)
#
# Environment:
#   TQV_MUTANT_DIR        scratch folder (default /tmp/tqv-mutants); its src/build/dev is
#                         kept between runs, so only what a mutant touches is rebuilt
#   TQV_MUTANT_CTEST_ARGS more ctest arguments, e.g. "-E soak" to leave the soaks out
#   TQV_MUTANT_TIMEOUT    per-test timeout in seconds (default 60) where a test sets none; a hang is a kill
#   TQV_MUTANT_JOBS       build and test parallelism (default 2)
#
# Examples:
#   TQV_MUTANT_CTEST_ARGS="-E soak" scripts/mutants.sh
#   scripts/mutants.sh --ref HEAD --only text-round-half-up,binding-search-order
#   nohup scripts/mutants.sh --ref HEAD >/tmp/mutants.log 2>&1 &   # takes a while
#
# Each row: mutant id, outcome (killed, killed (build), survived, stale), the first
# test that failed, seconds. "stale" means the original text does not occur exactly
# once in the file any more: update the list. Exit status 0 whatever the outcomes;
# 1 when the unmutated tree does not build or its suite fails (nothing to compare).
# Not part of CI: the whole list takes the better part of an hour on two cores.
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(git -C "$script_dir" rev-parse --show-toplevel)

ref=""
only=""
list="$script_dir/mutants.txt"
work=${TQV_MUTANT_DIR:-/tmp/tqv-mutants}
table=""
jobs=${TQV_MUTANT_JOBS:-2}
timeout=${TQV_MUTANT_TIMEOUT:-60}

usage() { sed -n '5,12p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; }

while [[ $# -gt 0 ]]; do
    case "$1" in
        --ref) ref=${2:?--ref needs a git ref}; shift 2 ;;
        --only) only=${2:?--only needs ids}; shift 2 ;;
        --list) list=$(realpath "${2:?--list needs a file}"); shift 2 ;;
        --table) table=${2:?--table needs a file}; shift 2 ;;
        -h|--help) usage; exit 0 ;;
        *) echo "mutants.sh: unknown argument $1" >&2; usage >&2; exit 2 ;;
    esac
done

src="$work/src"
stage="$work/stage"
logs="$work/logs"
table=${table:-$work/table.txt}
mkdir -p "$src" "$logs" "$(dirname "$table")"
[[ -f "$list" ]] || { echo "mutants.sh: no mutant list at $list" >&2; exit 1; }

# --- The mutant list -------------------------------------------------------------
# Parsed once into one folder per mutant (file, from, to) so that the shell never has
# to carry source text with quotes, backslashes or line breaks in variables.
mutant_dir="$work/mutants"
rm -rf "$mutant_dir"
mkdir -p "$mutant_dir"
python3 - "$list" "$mutant_dir" "$only" <<'PY' || exit 1
import os, sys
path, out, only = sys.argv[1], sys.argv[2], sys.argv[3]
wanted = [w for w in only.split(",") if w] if only else None
entries, current, last_key = [], None, None
with open(path, encoding="utf-8") as f:
    for number, raw in enumerate(f, 1):
        line = raw.rstrip("\n")
        if line.startswith("#"):
            continue
        if not line.strip():
            current, last_key = None, None
            continue
        if line.startswith("+"):  # continuation of the from/to text above
            if current is None or last_key not in ("from", "to"):
                sys.exit(f"{path}:{number}: '+' continues only a from: or to: line")
            current[last_key] += "\n" + line[1:]
            continue
        key, sep, value = line.partition(":")
        if not sep or key not in ("id", "file", "from", "to", "why"):
            sys.exit(f"{path}:{number}: expected id:, file:, from:, to:, why: or a '+' line")
        if value.startswith(" "):
            value = value[1:]
        if current is None:
            current = {}
            entries.append((number, current))
        if key in current:
            sys.exit(f"{path}:{number}: second {key}: in one entry (blank line missing?)")
        current[key], last_key = value, key
seen = set()
for number, e in entries:
    missing = [k for k in ("id", "file", "from", "to", "why") if k not in e]
    if missing:
        sys.exit(f"{path}:{number}: entry lacks {', '.join(missing)}")
    if e["id"] in seen:
        sys.exit(f"{path}:{number}: id {e['id']} used twice")
    if e["from"] == e["to"]:
        sys.exit(f"{path}:{number}: {e['id']}: from and to are the same")
    seen.add(e["id"])
if wanted:
    unknown = [w for w in wanted if w not in seen]
    if unknown:
        sys.exit(f"unknown mutant id(s): {', '.join(unknown)}")
order = 0
for number, e in entries:
    if wanted and e["id"] not in wanted:
        continue
    order += 1
    d = os.path.join(out, f"{order:03d}")
    os.makedirs(d)
    for k in ("id", "file", "from", "to", "why"):
        with open(os.path.join(d, k), "w", encoding="utf-8") as f:
            f.write(e[k])
PY

# --- A clean copy of the sources -------------------------------------------------
# Built in a stage folder, then synced by content: files whose content did not change
# keep their timestamps, so make rebuilds only what really differs.
rm -rf "$stage"
mkdir -p "$stage"
if [[ -n "$ref" ]]; then
    git -C "$repo" archive --format=tar "$ref" | tar -x -C "$stage" ||
        { echo "mutants.sh: cannot read $ref" >&2; exit 1; }
    label="$ref ($(git -C "$repo" rev-parse --short "$ref"))"
else
    (cd "$repo" && git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do [[ -e "$f" || -L "$f" ]] && printf '%s\0' "$f"; done |
        tar --null -T - -cf - | tar -x -C "$stage") ||
        { echo "mutants.sh: cannot copy the working tree" >&2; exit 1; }
    label="working tree of $repo"
fi
python3 - "$stage" "$src" <<'PY' || exit 1
# Like rsync --checksum --delete, leaving build/ alone: only files whose content
# differs are written (and so get a new timestamp).
import filecmp, os, shutil, sys
stage, src = sys.argv[1], sys.argv[2]
for root, dirs, files in os.walk(src, topdown=True):
    rel = os.path.relpath(root, src)
    if rel == ".":
        dirs[:] = [d for d in dirs if d != "build"]
    for name in files + [d for d in dirs if os.path.islink(os.path.join(root, d))]:
        if not os.path.lexists(os.path.join(stage, rel, name)):
            os.remove(os.path.join(root, name))
    for d in list(dirs):
        if not os.path.isdir(os.path.join(stage, rel, d)):
            shutil.rmtree(os.path.join(root, d))
            dirs.remove(d)
for root, dirs, files in os.walk(stage):
    rel = os.path.relpath(root, stage)
    os.makedirs(os.path.join(src, rel), exist_ok=True)
    for name in files:
        a, b = os.path.join(root, name), os.path.join(src, rel, name)
        if os.path.islink(a):
            if os.path.lexists(b) and not (os.path.islink(b) and os.readlink(b) == os.readlink(a)):
                os.remove(b)
            if not os.path.lexists(b):
                os.symlink(os.readlink(a), b)
            continue
        if os.path.islink(b):
            os.remove(b)
        if not (os.path.isfile(b) and filecmp.cmp(a, b, shallow=False)):
            shutil.copyfile(a, b)
        shutil.copymode(a, b)
PY

# --- Restoring a mutated file, also on Ctrl-C -------------------------------------
current_backup=""
current_target=""
restore() {
    if [[ -n "$current_backup" && -f "$current_backup" ]]; then
        # A plain copy gives the file a new timestamp, so the next build recompiles it.
        cp "$current_backup" "$current_target"
        rm -f "$current_backup"
    fi
    current_backup=""
    current_target=""
}
# Builds and test runs go in the background, each in its own process group, and the
# script waits for them: a signal then reaches the trap at once (a foreground child
# would be waited for to the end), and the trap stops the whole group.
set -m
exec 3>&1 4>&2
child=""
run_child() {
    "$@" &
    child=$!
    wait "$child"
    local status=$?
    child=""
    return "$status"
}
interrupted() {
    if [[ -n "$child" ]]; then
        kill -TERM -- -"$child" 2>/dev/null
        wait "$child" 2>/dev/null
    fi
    restore
    # Fds 3 and 4: the script's own output, not a build or test log it was writing to.
    echo >&3
    echo "mutants.sh: interrupted; $table holds the rows so far" >&4
    exit 130
}
trap 'restore' EXIT
trap 'interrupted' INT TERM HUP

build() { run_child cmake --build --preset dev -j"$jobs" >"$1" 2>&1; }

# ctest output -> "name (reason)" of the first failure, or nothing. Parameter dumps
# ("# GetParam() = ...", "120-byte object <...>") are cut from the name.
first_failure() {
    awk '/The following tests FAILED:/ {f=1; next}
         f && /^[[:space:]]*[0-9]+ - / {
             sub(/^[[:space:]]*[0-9]+ - /, ""); sub(/[[:space:]]+$/, "")
             reason = ""
             if (match($0, /\([^()]*\)$/)) { reason = " " substr($0, RSTART); $0 = substr($0, 1, RSTART - 1) }
             sub(/[[:space:]]+# GetParam\(\).*/, ""); sub(/[0-9]+-byte object <.*/, "<param>"); sub(/[[:space:]]+$/, "")
             print $0 reason; exit
         }' "$1"
}

run_suite() {
    # shellcheck disable=SC2086  # the extra arguments are meant to split
    run_child ctest --preset dev -j"$jobs" --label-exclude long --stop-on-failure \
        --timeout "$timeout" ${TQV_MUTANT_CTEST_ARGS:-} >"$1" 2>&1
}

cd "$src" || exit 1
start_all=$(date +%s)
echo "mutants.sh: $label in $src"
if [[ ! -f build/dev/CMakeCache.txt ]]; then
    run_child cmake --preset dev >"$logs/configure.log" 2>&1 ||
        { echo "mutants.sh: configure failed, see $logs/configure.log" >&2; exit 1; }
fi
if ! build "$logs/baseline-build.log"; then
    echo "mutants.sh: the unmutated tree does not build, see $logs/baseline-build.log" >&2
    exit 1
fi
t0=$(date +%s)
if ! run_suite "$logs/baseline-test.log"; then
    echo "mutants.sh: the unmutated suite fails ($(first_failure "$logs/baseline-test.log")), see $logs/baseline-test.log" >&2
    exit 1
fi
baseline_seconds=$(( $(date +%s) - t0 ))
tests_run=$(grep -Eo '[0-9]+ tests failed out of [0-9]+|tests passed, 0 tests failed out of [0-9]+' \
    "$logs/baseline-test.log" | grep -Eo '[0-9]+$' | tail -1)

row() { printf '%-34s %-15s %-48s %5s\n' "$@"; }
{
    echo "# Mutation check of $label, $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "# ctest --preset dev -j$jobs --label-exclude long --stop-on-failure ${TQV_MUTANT_CTEST_ARGS:-}"
    echo "# unmutated suite: ${tests_run:-?} tests passed in ${baseline_seconds} s"
    row "mutant" "outcome" "first failing test" "s"
} >"$table"
cat "$table"

killed=0 survived=0 stale=0
for d in "$mutant_dir"/*/; do
    [[ -d "$d" ]] || continue
    id=$(<"$d/id")
    file=$(<"$d/file")
    t0=$(date +%s)
    outcome="" failing="-"
    target="$src/$file"
    # Exactly one occurrence, else the list no longer matches the code.
    if ! python3 - "$target" "$d/from" <<'PY'
import sys
try:
    text = open(sys.argv[1], encoding="utf-8").read()
except OSError:
    sys.exit(1)
sys.exit(0 if text.count(open(sys.argv[2], encoding="utf-8").read()) == 1 else 1)
PY
    then
        outcome="stale"
    else
        current_backup="$work/backup"
        current_target="$target"
        cp "$target" "$current_backup"
        python3 - "$target" "$d/from" "$d/to" <<'PY'
import sys
target, old, new = sys.argv[1], open(sys.argv[2], encoding="utf-8").read(), open(sys.argv[3], encoding="utf-8").read()
text = open(target, encoding="utf-8").read()
open(target, "w", encoding="utf-8").write(text.replace(old, new, 1))
PY
        if ! build "$logs/$id-build.log"; then
            outcome="killed (build)"
            failing=$(grep -m1 -E 'error:' "$logs/$id-build.log" | sed 's/^.*error: //' | cut -c1-48)
            failing=${failing:-"-"}
        elif run_suite "$logs/$id-test.log"; then
            outcome="survived"
        else
            outcome="killed"
            failing=$(first_failure "$logs/$id-test.log")
            failing=${failing:-"(see $logs/$id-test.log)"}
        fi
        restore
    fi
    case "$outcome" in
        killed*) killed=$((killed + 1)) ;;
        survived) survived=$((survived + 1)) ;;
        stale) stale=$((stale + 1)) ;;
    esac
    line=$(row "$id" "$outcome" "$failing" "$(( $(date +%s) - t0 ))")
    echo "$line"
    echo "$line" >>"$table"
done

summary="# killed $killed, survived $survived, stale $stale; $(( $(date +%s) - start_all )) s in all"
echo "$summary"
echo "$summary" >>"$table"
if [[ $survived -gt 0 ]]; then
    survivors=$(awk '!/^#/ && $2 == "survived" {print "#   " $1}' "$table")
    printf '# survivors:\n%s\n' "$survivors" | tee -a "$table"
fi
exit 0
