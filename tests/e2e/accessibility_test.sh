#!/usr/bin/env bash
# The real program on a private Xvfb, read and driven over the accessibility bus
# (AT-SPI) as a screen reader or an automation tool would; see accessibility_test.py.
#
# usage: accessibility_test.sh PROGRAM WORK_DIR
# Exits 0 when every check passes, 77 (skipped) when Xvfb, xdotool, a D-Bus session or
# Python's pyatspi cannot be had.
set -uo pipefail
program=$1
work=$2
python=/usr/bin/python3
for tool in Xvfb xdotool dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool (scripts/setup.sh installs it)"; exit 77; }
done
"$python" -c 'import pyatspi' 2>/dev/null ||
  { echo "SKIP: no pyatspi for $python (scripts/setup.sh installs python3-pyatspi)"; exit 77; }
[ -e /usr/share/dbus-1/services/org.a11y.Bus.service ] ||
  { echo "SKIP: no accessibility bus (scripts/setup.sh installs at-spi2-core)"; exit 77; }

rm -rf "$work"
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
xvfb_pid=
trap 'kill $xvfb_pid 2>/dev/null; wait 2>/dev/null' EXIT
# -noreset: an X server resets when its last client leaves (a readiness probe, the
# accessibility bus's launcher), and refuses connections meanwhile.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do grep -q . "$work/display" && break; sleep 0.1; done
grep -q . "$work/display" || { echo "FAIL: Xvfb did not start: $(cat "$work/xvfb.log")"; exit 1; }
export DISPLAY=":$(cat "$work/display")"
# Listening is not yet answering on a loaded machine: wait until a client is served.
for _ in $(seq 200); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getdisplaygeometry >/dev/null 2>&1 ||
  { echo "FAIL: Xvfb on $DISPLAY serves no client: $(cat "$work/xvfb.log")"; exit 1; }
unset WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_FONT_DPI QT_STYLE_OVERRIDE \
      ADCARD_SIM_FAIL ADCARD_SIM_DI ADCARD_SIM_SPEED ADCARD_SIM_IDENTITY QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" TQV_NO_MESSAGE_BOX=1 \
       ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=$(cd "$(dirname "$0")" && pwd)/xkb.asan.supp"
# A session bus of its own, which starts the accessibility bus when it is asked for. Its
# daemons write to a log of their own: none of them may keep the test's output open.
dbus-run-session -- "$python" "$(dirname "$0")/accessibility_test.py" "$program" "$work" \
  2>"$work/bus.log" </dev/null
status=$?
[ "$status" -eq 0 ] || tail -n 20 "$work/bus.log" "$work/program.log" "$work/xvfb.log"
exit "$status"
