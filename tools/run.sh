#!/usr/bin/env bash
# Builds the tool and runs it.
#
# With a display ($DISPLAY set) the tool simply starts there. Without one, it starts on a
# private virtual X server (Xvfb), a screenshot of the window is saved to
# build/screenshot.png, and the tool keeps running until Ctrl+C.
#
#   tools/run.sh                    build, then run
#   tools/run.sh --screenshot-only  build, run under Xvfb, save the screenshot, exit
set -euo pipefail
cd "$(dirname "$0")/.."

screenshot_only=0
case "${1:-}" in
  --screenshot-only) screenshot_only=1 ;;
  "") ;;
  *) echo "usage: $0 [--screenshot-only]" >&2; exit 2 ;;
esac

tools/deps.sh
tools/build.sh
tool=build/ui/yinwen
shot=build/screenshot.png

if [ -n "${DISPLAY:-}" ] && [ "$screenshot_only" -eq 0 ]; then
  exec "$tool"
fi

if [ -z "${DISPLAY:-}" ]; then
  echo "No display here (\$DISPLAY is empty): starting the tool on a virtual X server (Xvfb)."
fi

xvfb_pid=""
tool_pid=""
cleanup() {
  trap - EXIT INT TERM
  if [ -n "$tool_pid" ] && kill -0 "$tool_pid" 2>/dev/null; then
    kill -TERM "$tool_pid" 2>/dev/null || true  # the tool closes its window and exits
    wait "$tool_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'echo; echo "Stopping."; exit 0' INT TERM

# Xvfb picks a free display itself and writes its number to the given descriptor.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
display=""
read -r -t 20 display <"$fifo" || true
rm -f "$fifo"
if [ -z "$display" ]; then
  echo "Xvfb did not start." >&2
  exit 1
fi
export DISPLAY=":$display"

QT_QPA_PLATFORM=xcb "$tool" &
tool_pid=$!

# Wait for the window, then until it has been painted (its pixels are no longer black).
window=""
for _ in $(seq 200); do
  window=$(xdotool search --onlyvisible --name '^音文分段器$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$tool_pid" 2>/dev/null || { echo "The tool ended early." >&2; exit 1; }
  sleep 0.05
done
if [ -z "$window" ]; then
  echo "The window did not appear." >&2
  exit 1
fi
for _ in $(seq 100); do
  import -window "$window" "$shot" 2>/dev/null || true
  mean=$(convert "$shot" -format '%[fx:mean>0.05]' info: 2>/dev/null || echo 0)
  [ "$mean" = 1 ] && break
  sleep 0.05
done
echo "Screenshot of the window: $(pwd)/$shot"

if [ "$screenshot_only" -eq 1 ]; then
  exit 0
fi
echo "The tool runs on the virtual display $DISPLAY. Press Ctrl+C to end it."
wait "$tool_pid" || true
tool_pid=""
