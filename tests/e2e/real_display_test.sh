#!/usr/bin/env bash
# The real program on a private Xvfb, driven from outside as an operator would: mouse
# and keys through xdotool at the places the control table gives, the card's call trace
# as the witness, and a close through the close box's WM_DELETE_WINDOW request.
#
# usage: real_display_test.sh PROGRAM SEND_WM_DELETE
# Exits 0 when every check passes, 77 (skipped) when Xvfb or xdotool is not installed.
set -uo pipefail
program=$1
send_wm_delete=$2
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool (scripts/setup.sh installs it)"; exit 77; }
done
tmp=$(mktemp -d "${TMPDIR:-/tmp}/tqv-real-display.XXXXXX")
trace=$tmp/trace.txt
failures=0
xvfb_pid=
app_pid=
trap 'kill $app_pid $xvfb_pid 2>/dev/null; wait 2>/dev/null; rm -rf "$tmp"' EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
abort() { fail "$*"; tail -n 20 "$tmp/app.log" "$trace" 2>/dev/null; exit 1; }
# Runs COMMAND until it succeeds, for at most SECONDS (a liveness bound, generous).
wait_for() {
  local until=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -lt $until ] || return 1; sleep 0.1; done
}
lines() { if [ -f "$trace" ]; then wc -l <"$trace"; else echo 0; fi; }
traced_after() { tail -n +"$(($1 + 1))" "$trace" 2>/dev/null | grep -Fxq -- "$2"; }

# Xvfb picks a free display number and writes it to fd 3 once it listens.
# -noreset: an X server resets when its last client leaves (a readiness probe, the
# accessibility bus's launcher), and refuses connections meanwhile.
Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
wait_for 20 grep -q . "$tmp/display" || abort "Xvfb did not start: $(cat "$tmp/xvfb.log")"
export DISPLAY=":$(cat "$tmp/display")"

mkdir -m 700 "$tmp/runtime"
(
  unset WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_FONT_DPI QT_STYLE_OVERRIDE \
        ADCARD_SIM_FAIL ADCARD_SIM_DI ADCARD_SIM_SPEED ADCARD_SIM_IDENTITY
  # A session bus that is not there, so none is looked for or launched.
  export QT_QPA_PLATFORM=xcb TQV_NO_MESSAGE_BOX=1 ADCARD_SIM_TRACE="$trace" XDG_RUNTIME_DIR="$tmp/runtime" \
         ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=$(cd "$(dirname "$0")" && pwd)/xkb.asan.supp" \
         DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/runtime/no-bus"
  exec "$program"
) >"$tmp/app.log" 2>&1 &
app_pid=$!
find_window() { window=$(timeout 5 xdotool search --onlyvisible --name TQV5200-1 | head -n 1); [ -n "$window" ]; }
wait_for 30 find_window || abort "no window named TQV5200-1"

eval "$(timeout 5 xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9]+$')"
[ "${WIDTH:-}x${HEIGHT:-}" = 539x420 ] || fail "the window is ${WIDTH:-?}x${HEIGHT:-?}, not 539x420"

# Container's left and top (0 0: the window), then the control's left, top, width and
# height in it, in twips as the control table has them.
declare -A place=(
  [cmdStart]="0 0 4230 5715 936 444"   [txtswChn]="0 4320 2040 270 516 300"
  [txtSWO_0]="0 4320 2064 675 516 288" [cmdSWO]="0 4320 2700 450 768 336"
)
px() { echo $(((2 * $1 + 15) / 30)); }  # twips to pixels at 96 dpi, rounded
xdo() { timeout 10 xdotool "$@" || abort "xdotool $* failed"; }
click() {
  local fx fy left top width height
  read -r fx fy left top width height <<<"${place[$1]}"
  xdo mousemove --sync $((X + $(px "$fx") + $(px "$left") + $(px "$width") / 2)) \
                       $((Y + $(px "$fy") + $(px "$top") + $(px "$height") / 2))
  xdo click 1
}
type_into() { click "$1"; xdo key --clearmodifiers ctrl+a; xdo type --delay 60 -- "$2"; }
# Clicks, then waits for LINE among the calls the click led to.
expect_call() {
  local before
  before=$(lines)
  "$@"
  wait_for 15 traced_after "$before" "$line" || fail "no '$line' after $*"
}

xdo windowfocus --sync "$window"  # no window manager hands out the focus
line='StartIntr 50 300 0 4 10000 0 1 -> 1' expect_call click cmdStart
line='ADResult * -> 1' expect_call true
type_into txtswChn 1
type_into txtSWO_0 A5
line='Tqv_DO 1 165 -> 0' expect_call click cmdSWO

timeout 10 "$send_wm_delete" "$window" || abort "WM_DELETE_WINDOW not sent"
exited() { ! kill -0 "$app_pid" 2>/dev/null || [ "$(cut -d' ' -f3 "/proc/$app_pid/stat" 2>/dev/null)" = Z ]; }
wait_for 30 exited || abort "the program still runs after WM_DELETE_WINDOW"
wait "$app_pid"
status=$?
app_pid=
[ "$status" -eq 0 ] || fail "the program exited with status $status"
[ "$(tail -n 1 "$trace")" = 'StopIntr -> 1' ] || fail "the last call is '$(tail -n 1 "$trace")', not StopIntr"
echo "real_display: $failures check(s) failed"
[ "$failures" -eq 0 ]
