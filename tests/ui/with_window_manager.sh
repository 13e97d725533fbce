#!/usr/bin/env bash
# Runs one window test program under a virtual X server of the given size
# with the openbox window manager, where focus and stacking behave as on a
# desktop (the offscreen platform has no window manager: every window is
# "active" and none is in front). Exits 77, which the tests count as
# skipped, when Xvfb or openbox is missing.
#   with_window_manager.sh WIDTHxHEIGHT PROGRAM [ARG ...]
set -u
size=$1
shift
if ! command -v Xvfb >/dev/null || ! command -v openbox >/dev/null; then
  echo "Xvfb or openbox is not installed: window-manager test skipped"
  exit 77
fi
tmp=$(mktemp -d)
cleanup() {
  [ -n "${test:-}" ] && kill "$test" 2>/dev/null
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
# Stopped from outside (a ctest time-out), the servers go too.
trap 'exit 143' TERM INT HUP

# Xvfb picks a free display number and writes it to fd 3 when ready.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 200); do
  [ -s "$tmp/display" ] && break
  sleep 0.05
done
if [ ! -s "$tmp/display" ]; then
  echo "Xvfb did not start:"; cat "$tmp/xvfb.log"; exit 1
fi
export DISPLAY=":$(head -n1 "$tmp/display")"

# openbox runs its --startup command once it manages the screen.
openbox --sm-disable --startup "touch $tmp/wm-ready" 2>"$tmp/openbox.log" &
wm=$!
for _ in $(seq 200); do
  [ -e "$tmp/wm-ready" ] && break
  sleep 0.05
done
if [ ! -e "$tmp/wm-ready" ]; then
  echo "openbox did not start:"; cat "$tmp/openbox.log"; exit 1
fi

# In the background, so that a stop signal is handled at once, not after
# the test program ends; its exit status is the script's.
QT_QPA_PLATFORM=xcb "$@" &
test=$!
wait "$test"
