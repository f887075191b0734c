#!/usr/bin/env bash
# The real program on a real X display, driven from outside as an operator would:
# a private Xvfb, mouse clicks and key presses through xdotool, the card's own
# call trace as the witness, a screenshot of the live window, and a close through
# the close box's WM_DELETE_WINDOW request.
#
# usage: real_display_test.sh PROGRAM SCREENSHOT.png
#
#   PROGRAM          tqv-multibuf, with libadcard beside it
#   SCREENSHOT.png   where the picture of the window while acquiring goes
#
# Helpers (built with the tests; by default looked for beside PROGRAM):
#   TQV_SEND_WM_DELETE   send_wm_delete, which asks a window to close
#   TQV_GRAB_WINDOW      grab_window, which saves a window as a PNG
# TQV_KEEP_TEMP=1 keeps the temporary directory (trace, logs) for a look afterwards.
#
# Needs Xvfb, xdotool and xdpyinfo (Debian: xvfb, xdotool, x11-utils). Works with no
# DISPLAY and no window manager; exits 0 when every check passes.
set -uo pipefail

readonly CAPTION='TQV5200-1测试及编程源程序'
readonly START_CALL='StartIntr 50 300 0 4 10000 0 1 -> 1'
readonly BIT_CALL='Tqv_DOBit 5 1 -> 0'
readonly BYTE_CALL='Tqv_DO 1 165 -> 0'
readonly STOP_CALL='StopIntr -> 1'
# Generous: under AddressSanitizer on a busy machine the program is several times slower.
readonly WINDOW_WAIT=30
readonly CALL_WAIT=15
readonly EXIT_WAIT=30
readonly WATCHDOG_SECONDS=100

if [ $# -ne 2 ]; then
  echo "usage: $0 PROGRAM SCREENSHOT.png" >&2
  exit 2
fi
program=$1
screenshot=$2
if [ ! -x "$program" ]; then
  echo "FAIL: no program at $program" >&2
  exit 2
fi
program_dir=$(cd "$(dirname "$program")" && pwd)
send_wm_delete=${TQV_SEND_WM_DELETE:-$program_dir/send_wm_delete}
grab_window=${TQV_GRAB_WINDOW:-$program_dir/grab_window}
for tool in Xvfb xdotool xdpyinfo "$send_wm_delete" "$grab_window"; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "FAIL: $tool not found (the helpers are the build targets send_wm_delete and grab_window)" >&2
    exit 2
  fi
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tqv-real-display.XXXXXX")
trace=$tmp/trace.txt
xvfb_pid=
app_pid=
watchdog_pid=
failures=0
started=$SECONDS

is_running() {
  # A child that has exited stays a zombie until waited for; that is not running.
  local state
  state=$(sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

stop_process() {
  local pid=$1
  [ -n "$pid" ] || return 0
  if is_running "$pid"; then
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 50); do is_running "$pid" || break; sleep 0.1; done
    is_running "$pid" && kill -KILL "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
}

cleanup() {
  trap - EXIT INT TERM
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null && wait "$watchdog_pid" 2>/dev/null
  stop_process "$app_pid"
  stop_process "$xvfb_pid"
  if [ "${TQV_KEEP_TEMP:-}" = 1 ]; then
    echo "kept: $tmp"
  else
    rm -rf "$tmp"
  fi
}
trap cleanup EXIT
trap 'echo "FAIL: interrupted after $((SECONDS - started)) s"; show_logs; exit 1' INT TERM

# Whatever happens, the test ends (and cleans up) before CTest would kill it.
( for _ in $(seq "$WATCHDOG_SECONDS"); do sleep 1; done
  echo "FAIL: still running after $WATCHDOG_SECONDS s" >&2
  kill -TERM $$ ) &
watchdog_pid=$!

pass() { echo "PASS: $*"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

show_logs() {
  echo "--- program output (last 40 lines) ---"
  tail -n 40 "$tmp/app.log" 2>/dev/null
  echo "--- card trace (last 15 of $(trace_lines) lines) ---"
  tail -n 15 "$trace" 2>/dev/null
  echo "---"
}

# Gives up on the remaining checks: nothing after this one can mean anything.
abort() {
  fail "$*"
  show_logs
  echo "real_display: $failures check(s) failed, the rest not run"
  exit 1
}

trace_lines() { [ -f "$trace" ] && wc -l <"$trace" || echo 0; }

# Waits until LINE appears in the trace after its first SKIP lines.
wait_for_call() {
  local skip=$1 line=$2 seconds=$3
  local deadline=$((SECONDS + seconds))
  while [ $SECONDS -le "$deadline" ]; do
    tail -n +"$((skip + 1))" "$trace" 2>/dev/null | grep -Fxq -- "$line" && return 0
    is_running "$app_pid" || return 1
    sleep 0.1
  done
  return 1
}

# ---- the display: a private Xvfb on the first free number from 200 on ----
# The server writes its number to -displayfd only once it listens: a number another
# server won (two tests starting together) leaves the file empty and this one dead.
for number in $(seq 200 299); do
  [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
  : >"$tmp/display"
  Xvfb ":$number" -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset \
    3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ "$(cat "$tmp/display")" = "$number" ] && break 2
    is_running "$xvfb_pid" || break
    sleep 0.1
  done
  stop_process "$xvfb_pid"
  xvfb_pid=
done
[ -n "$xvfb_pid" ] || abort "no X display could be started (see $tmp/xvfb.log)"
export DISPLAY=":$number"
echo "display $DISPLAY (Xvfb $xvfb_pid)"

# ---- the program: real platform, real card library, traced ----
mkdir -m 700 "$tmp/runtime"
# For sanitizer builds. With strict_string_checks (as the asan preset sets it),
# AddressSanitizer's strndup() wants a terminating NUL within the buffer, but
# libxkbcommon-x11 rightly copies counted, unterminated atom names out of X replies
# when the xcb platform reads the keymap. That one library's calls are exempt;
# everything else, the program's own code included, stays strictly checked.
echo 'interceptor_via_lib:libxkbcommon-x11.so' >"$tmp/asan.supp"
asan_options="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=$tmp/asan.supp"
(
  # Nothing from the caller's desktop or card settings reaches the program.
  unset WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS \
        QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING QT_FONT_DPI QT_STYLE_OVERRIDE \
        ADCARD_SIM_FAIL ADCARD_SIM_DI ADCARD_SIM_SPEED ADCARD_SIM_IDENTITY
  export QT_QPA_PLATFORM=xcb TQV_NO_MESSAGE_BOX=1 ADCARD_SIM_TRACE="$trace" \
         XDG_RUNTIME_DIR="$tmp/runtime" ASAN_OPTIONS="$asan_options"
  # A session bus that is not there: Qt finds none at once, and libdbus does not
  # try to launch one for the private display (dbus-launch --autolaunch).
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/runtime/no-session-bus"
  exec "$program"
) >"$tmp/app.log" 2>&1 &
app_pid=$!

window=
deadline=$((SECONDS + WINDOW_WAIT))
while [ $SECONDS -le $deadline ]; do
  window=$(timeout 5 xdotool search --onlyvisible --name 'TQV5200-1' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  if ! is_running "$app_pid"; then
    wait "$app_pid"
    abort "the program exited with status $? before showing its window"
  fi
  sleep 0.2
done
[ -n "$window" ] || abort "no window named TQV5200-1 within $WINDOW_WAIT s"

title=$(LC_ALL=C.UTF-8 timeout 5 xprop -id "$window" _NET_WM_NAME 2>/dev/null |
        sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
X=none Y=none WIDTH=none HEIGHT=none
eval "$(timeout 5 xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9]+$')"
[[ $X =~ ^[0-9]+$ && $Y =~ ^[0-9]+$ ]] || abort "no position for window $window"
# No window manager: the window has no frame and X, Y is its client area's corner.
win_x=$X
win_y=$Y
if [ "$title" = "$CAPTION" ] && [ "$WIDTH" = 539 ] && [ "$HEIGHT" = 420 ]; then
  pass "window $window \"$title\", client area ${WIDTH}x$HEIGHT at $win_x,$win_y"
else
  fail "window $window is \"$title\" ${WIDTH}x$HEIGHT, expected \"$CAPTION\" 539x420"
fi

# ---- driving it: the controls' places, in twips, as the control table has them ----
# name: container's left and top (0 0 for the window itself), then the control's
# left, top, width and height within it.
declare -A place=(
  [cmdStart]="0 0 4230 5715 936 444"
  [txtDOValue]="4185 4365 2040 270 516 300"
  [txtDOChn]="4185 4365 2064 675 516 288"
  [cmdDOOutput]="4185 4365 3015 585 768 510"
  [txtswChn]="0 4320 2040 270 516 300"
  [txtSWO_0]="0 4320 2064 675 516 288"
  [cmdSWO]="0 4320 2700 450 768 336"
)
# Twips to pixels at 96 dpi, rounded to nearest as the window does: (2t + 15) / 30.
pixels() { echo $(((2 * $1 + 15) / 30)); }

# The middle of a control, in screen coordinates.
centre_of() {
  local frame_x frame_y left top width height
  read -r frame_x frame_y left top width height <<<"${place[$1]}"
  echo "$((win_x + $(pixels "$frame_x") + $(pixels "$left") + $(pixels "$width") / 2))" \
       "$((win_y + $(pixels "$frame_y") + $(pixels "$top") + $(pixels "$height") / 2))"
}

xdo() { timeout 10 xdotool "$@" || abort "xdotool $* failed"; }

click() {
  local x y
  read -r x y <<<"$(centre_of "$1")"
  xdo mousemove --sync "$x" "$y"
  xdo click --repeat "${2:-1}" --delay 100 1
}

# Replaces a text box's contents as an operator does: click in, select all, type.
type_into() {
  click "$1"
  xdo key --clearmodifiers ctrl+a
  xdo type --delay 60 -- "$2"
}

# Without a window manager nobody hands out the keyboard focus; take it once.
xdo windowfocus --sync "$window"

# (a) Start: the card is started with the program's arguments and blocks flow.
before=$(trace_lines)
click cmdStart
if wait_for_call "$before" "$START_CALL" "$CALL_WAIT"; then
  start_line=$(grep -Fxn -- "$START_CALL" "$trace" | tail -n 1 | cut -d: -f1)
  results_then=$(tail -n +"$start_line" "$trace" | grep -c '^ADResult \* -> 1$')
  queries_then=$(tail -n +"$start_line" "$trace" | grep -c '^QueryBuf -> ')
  sleep 2
  results_now=$(tail -n +"$start_line" "$trace" | grep -c '^ADResult \* -> 1$')
  queries_now=$(tail -n +"$start_line" "$trace" | grep -c '^QueryBuf -> ')
  blocks=$((results_now - results_then))
  if [ "$blocks" -ge 20 ] && [ "$queries_now" -gt "$queries_then" ]; then
    pass "start: '$START_CALL', then $blocks blocks read in 2 s ($((queries_now - queries_then)) polls)"
  else
    fail "start: only $blocks blocks read and $((queries_now - queries_then)) polls in the 2 s after '$START_CALL'"
  fi
else
  fail "start: no '$START_CALL' within $CALL_WAIT s of clicking cmdStart"
fi

# (b) One bit: channel 6, value toggled from 0 to 1 by a double-click, output.
type_into txtDOChn 6
click txtDOValue 2
before=$(trace_lines)
click cmdDOOutput
if wait_for_call "$before" "$BIT_CALL" "$CALL_WAIT"; then
  pass "bit output: channel 6, value 1 -> '$BIT_CALL'"
else
  fail "bit output: no '$BIT_CALL' after clicking cmdDOOutput; calls since: $(tail -n +"$((before + 1))" "$trace" | grep '^Tqv_DO' | tr '\n' ';')"
fi

# (c) One byte: port 1, hexadecimal A5.
type_into txtswChn 1
type_into txtSWO_0 A5
before=$(trace_lines)
click cmdSWO
if wait_for_call "$before" "$BYTE_CALL" "$CALL_WAIT"; then
  pass "byte output: port 1, value A5 -> '$BYTE_CALL'"
else
  fail "byte output: no '$BYTE_CALL' after clicking cmdSWO; calls since: $(tail -n +"$((before + 1))" "$trace" | grep '^Tqv_DO' | tr '\n' ';')"
fi

# (d) The picture, once the inputs have been read back after the outputs and shown:
# a tick reads them after the byte went out, and by the tick after that its
# captions have been painted.
readonly READ_CALL='Tqv_DI 6 * -> 6'
if ! wait_for_call "$before" "$READ_CALL" "$CALL_WAIT" ||
   ! wait_for_call "$(trace_lines)" "$READ_CALL" "$CALL_WAIT"; then
  fail "screenshot: the inputs were not read back after the outputs ('$READ_CALL')"
fi
mkdir -p "$(dirname "$screenshot")"
rm -f "$screenshot"
# The helper is a test tool: what it leaks at exit is no concern of this test.
if ASAN_OPTIONS="$asan_options:detect_leaks=0" \
   QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$tmp/runtime" \
   DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/runtime/no-session-bus" \
   timeout 20 "$grab_window" "$window" "$screenshot" >"$tmp/grab.log" 2>&1; then
  # A PNG's IHDR holds its width and height, big-endian, at bytes 16..23.
  header=$(head -c 24 "$screenshot" | od -An -tx1 | tr -d ' \n')
  size=$(wc -c <"$screenshot")
  if [ "${header:0:16}" = 89504e470d0a1a0a ] &&
     [ "$((16#${header:32:8}))x$((16#${header:40:8}))" = 539x420 ] && [ "$size" -gt 5000 ]; then
    pass "screenshot: $screenshot, 539x420 PNG, $size bytes"
  else
    fail "screenshot: $screenshot is not a 539x420 PNG (header $header, $size bytes)"
  fi
else
  fail "screenshot: grab_window failed: $(tr '\n' ' ' <"$tmp/grab.log")"
fi

# (e) The close box: WM_DELETE_WINDOW, as a window manager sends it.
if ! ASAN_OPTIONS="$asan_options:detect_leaks=0" \
     timeout 10 "$send_wm_delete" "$window" >"$tmp/close.log" 2>&1; then
  abort "close: send_wm_delete failed: $(tr '\n' ' ' <"$tmp/close.log")"
fi
deadline=$((SECONDS + EXIT_WAIT))
while is_running "$app_pid" && [ $SECONDS -le $deadline ]; do sleep 0.1; done
if is_running "$app_pid"; then
  fail "close: the program still runs $EXIT_WAIT s after WM_DELETE_WINDOW"
else
  wait "$app_pid"
  status=$?
  app_pid=
  if [ "$status" -eq 0 ]; then
    pass "close: the program exited with status 0"
  else
    fail "close: the program exited with status $status"
  fi
  last_call=$(tail -n 1 "$trace")
  last_start=$(grep -n '^StartIntr ' "$trace" | tail -n 1 | cut -d: -f1)
  last_stop=$(grep -Fxn -- "$STOP_CALL" "$trace" | tail -n 1 | cut -d: -f1)
  if [ "$last_call" = "$STOP_CALL" ] && [ -n "$last_stop" ] && [ "${last_stop:-0}" -gt "${last_start:-0}" ]; then
    pass "close: the card was stopped, '$STOP_CALL' is the last call (line $last_stop, after StartIntr at $last_start)"
  else
    fail "close: last call is '$last_call'; last StartIntr at line ${last_start:-none}, last '$STOP_CALL' at ${last_stop:-none}"
  fi
fi

[ "$failures" -eq 0 ] || show_logs
echo "real_display: $failures check(s) failed, $((SECONDS - started)) s"
[ "$failures" -eq 0 ]
