#!/usr/bin/env bash
# Proves the card library's native 32-bit Windows ABI: cross-builds adcard.dll and the
# loader test with mingw-w64 (preset mingw-i686), checks that the DLL exports exactly
# the 23 decorated stdcall names, and runs the loader test under wine from a folder of
# its own, with adcard.dll in the system folder, where the panel's search must find it.
# The toolkit-neutral unit tests are not run here: the Linux build runs the same code.
# See tests/windows/README.md.
#
# Installs what it needs itself (Debian 12, as root or through sudo) and changes nothing
# when everything is there. Needs no display and no standard input. Where the kernel
# runs no 32-bit x86 program, it registers qemu-user for them (see below).
#
# Ends with "windows-abi: N passed, M failed" over every check and test. Exit status:
# 0 all passed; 1 something failed; 2 the tools could not be set up or the loader test
# could not be run at all.
#
# Environment:
#   TQV_WINE_TIMEOUT       seconds one program may take under wine (default 1800)
#   TQV_WINE_EMULATE       "auto" (default): run 32-bit x86 code under qemu-user only
#                          where the kernel cannot; "never": fail there instead
set -euo pipefail
cd "$(dirname "$0")/.."

readonly preset=mingw-i686
readonly build_dir=build/$preset
readonly bin_dir=$build_dir/bin
readonly objdump=i686-w64-mingw32-objdump
readonly wine_timeout=${TQV_WINE_TIMEOUT:-1800}
readonly emulate=${TQV_WINE_EMULATE:-auto}
readonly binfmt_dir=/proc/sys/fs/binfmt_misc
readonly binfmt_name=tqv-qemu-i386

started=$SECONDS
say() { printf '=== %s (%ds)\n' "$*" $((SECONDS - started)); }
die() {
  printf 'windows-abi: %s\n' "$2" >&2
  exit "$1"
}

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

apt_updated=false
apt_install() {
  local missing=() package
  for package in "$@"; do
    installed "$package" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing ${missing[*]}"
  if ! $apt_updated; then
    "${sudo_cmd[@]}" apt-get update -qq
    apt_updated=true
  fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq \
    --no-install-recommends "${missing[@]}" </dev/null
}

# ---------------------------------------------------------------- tools

say "tools"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  # The new architecture's package lists are needed even if the others are fresh.
  "${sudo_cmd[@]}" apt-get update -qq
  apt_updated=true
fi
# The -posix compilers (winpthreads) give std::thread and std::mutex. wine32 runs the
# 32-bit program; wine64 brings a native wineserver, which serves 32-bit programs too.
apt_install cmake make mingw-w64 gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix \
  binutils-mingw-w64-i686 wine wine32:i386 wine64 libc6:i386

# ---------------------------------------------------------------- build

say "configure and build ($preset)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2 --target adcard abi_loader_test

# ---------------------------------------------------------------- export table

say "export table of adcard.dll"
readonly dll=$bin_dir/adcard.dll
# The decorated names of the one list of the card's functions: X(StartIntr, 28) is _StartIntr@28.
expected=$(grep -o 'X([A-Za-z_]*, [0-9]*)' card/AdcardFunctions.h |
  sed 's/^X(\([A-Za-z_]*\), \([0-9]*\))$/_\1@\2/' | LC_ALL=C sort)
[ "$(printf '%s\n' "$expected" | wc -l)" -eq 23 ] || die 1 "card/AdcardFunctions.h does not list 23 functions"
# The "[Ordinal/Name Pointer] Table" lists every exported name, one "[ n] name" a line.
actual=$("$objdump" -p "$dll" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' |
  LC_ALL=C sort)
printf '%s\n' "$actual" | sed 's/^/  /'
if [ "$actual" != "$expected" ]; then
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | sed 's/^/  /' >&2 || true
  die 1 "adcard.dll does not export exactly the 23 decorated names (< wanted, > found)"
fi
imports=$("$objdump" -p "$dll" "$bin_dir/abi_loader_test.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
  LC_ALL=C sort -u | tr '\n' ' ')
echo "  imports: $imports"
echo "export table: 23 decorated names, nothing else"

# ---------------------------------------------------------------- 32-bit x86 code

# Some virtual machines give a 64-bit kernel no 32-bit compatibility mode: there no
# 32-bit x86 program starts, wine32's loader included. qemu-user then runs them,
# registered with the kernel for 32-bit x86 programs (binfmt_misc), so that the
# programs wine starts by itself run under it too. Slow, but the same code runs.
runs_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
# Once qemu-i386 is registered (by an earlier run), 32-bit programs run through it
# whatever the kernel could do itself.
emulator_registered() {
  local entry
  for entry in "$binfmt_dir"/*; do
    [ -f "$entry" ] || continue
    case ${entry##*/} in register | status) continue ;; esac
    grep -qx enabled "$entry" && grep -q '^interpreter .*qemu-i386' "$entry" && return 0
  done
  return 1
}
mode=native
if emulator_registered; then
  mode=emulated
elif ! runs_32bit; then
  [ "$emulate" = never ] && die 2 "this machine cannot run 32-bit x86 programs (TQV_WINE_EMULATE=never)"
  say "this kernel runs no 32-bit x86 program: using qemu-user"
  apt_install qemu-user-static
  if [ ! -e "$binfmt_dir/register" ]; then
    "${sudo_cmd[@]}" mount -t binfmt_misc binfmt_misc "$binfmt_dir" ||
      die 2 "cannot mount $binfmt_dir to register qemu-i386"
  fi
  if [ ! -e "$binfmt_dir/$binfmt_name" ]; then
    # ELF, 32-bit, little-endian, executable or shared object, machine 3 (i386); the
    # F flag keeps the interpreter open, so it works in any mount namespace.
    printf '%s' ":$binfmt_name:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F" |
      "${sudo_cmd[@]}" tee "$binfmt_dir/register" >/dev/null ||
      die 2 "cannot register qemu-i386 with binfmt_misc"
  fi
  runs_32bit || die 2 "32-bit x86 programs do not run even under qemu-i386"
  mode=emulated
fi

# ---------------------------------------------------------------- under wine

work=$(mktemp -d)
cleanup() {
  # Ends the throwaway prefix's wineserver and with it the prefix's wine processes, then
  # any of them still starting (not yet known to the server): each by its id.
  WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    if { tr '\0' '\n' <"$environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$work/prefix"; then
      kill "$pid" 2>/dev/null || true
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT
ulimit -c 0

export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all
# No Mono or Gecko prompts. No display wanted: the programs are console programs.
export WINEDLLOVERRIDES="mscoree,mshtml=d"
unset DISPLAY WAYLAND_DISPLAY
# A new prefix starts a dozen wine processes (wineboot, services, device drivers, ...):
# seconds natively, and under emulation, where each costs about a minute of processor
# time, some ten minutes before the test runs. A console program needs none of them,
# only the system directory: so the prefix is made by hand, its system32 holding wine's
# own 32-bit DLLs, and wineboot is kept from running.
system32=$WINEPREFIX/drive_c/windows/system32
mkdir -p "$system32" "$WINEPREFIX/dosdevices"
ln -s ../drive_c "$WINEPREFIX/dosdevices/c:"
ln -s / "$WINEPREFIX/dosdevices/z:"
ln -s /usr/lib/i386-linux-gnu/wine/i386-windows/* "$system32/"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;wineboot.exe=d"
# The loader test expects the simulated card's defaults.
unset ADCARD_SIM_IDENTITY ADCARD_SIM_FAIL ADCARD_SIM_DI ADCARD_SIM_SPEED ADCARD_SIM_TRACE

# The loader test alone in a folder, adcard.dll only in the system folder: the panel's
# search must find a vendor's driver installed there.
cp "$dll" "$system32/"
mkdir -p "$work/program"
cp "$bin_dir/abi_loader_test.exe" "$work/program/"

# run_under_wine NAME [ARGUMENT...]: runs $work/program/NAME.exe, shows its output
# (carriage returns dropped, kept in $work/NAME.out) and sets run_status to its exit status.
run_under_wine() {
  local name=$1
  shift
  run_status=0
  timeout --kill-after=30 "$wine_timeout" wine "$work/program/$name.exe" "$@" \
    </dev/null >"$work/$name.raw" 2>"$work/$name.err" || run_status=$?
  if [ $run_status -ne 0 ] && command -v xvfb-run >/dev/null &&
    grep -qiE 'cannot open display|no driver could be loaded' "$work/$name.err"; then
    say "$name: wine wants a display; again under xvfb-run"
    run_status=0
    timeout --kill-after=30 "$wine_timeout" xvfb-run -a wine "$work/program/$name.exe" "$@" \
      </dev/null >"$work/$name.raw" 2>"$work/$name.err" || run_status=$?
  fi
  tr -d '\r' <"$work/$name.raw" >"$work/$name.out"
  cat "$work/$name.out"
  if [ $run_status -ne 0 ] && [ -s "$work/$name.err" ]; then
    echo "--- $name: wine's standard error (last lines)"
    tr -d '\r' <"$work/$name.err" | tail -n 20
  fi
  if [ $run_status -eq 124 ] || [ $run_status -eq 137 ]; then
    echo "windows-abi: $name timed out after ${wine_timeout}s" >&2
  fi
}

say "loader test under wine ($mode)"
run_under_wine abi_loader_test
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$work/abi_loader_test.out" | tail -n 1 || true)
[ -n "$summary" ] ||
  die 2 "the loader test printed no summary line (wine exit status $run_status)"
passed=${summary%% passed*}
failed=${summary#*, }
failed=${failed%% failed}
if [ "$passed" -eq 0 ] || { [ "$failed" -eq 0 ] && [ $run_status -ne 0 ]; }; then
  echo "windows-abi: the loader test said \"$summary\" but exited with status $run_status" >&2
  failed=$((failed + 1))
fi
echo "abi_loader_test: $passed passed, $failed failed"

say "done"
echo "windows-abi: $passed passed, $failed failed"
[ "$failed" -eq 0 ] || exit 1
