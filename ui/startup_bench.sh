#!/usr/bin/env bash
# Start-up benchmark: time from process start to the window's first exposure, and the
# peak resident memory (VmHWM) once the window is shown and the event loop at rest, under
# Qt's offscreen platform and under Xvfb. Prints figures; asserts nothing.
# Usage: ui/startup_bench.sh path/to/yinwen [runs]
set -euo pipefail
tool=${1:?usage: $0 path/to/yinwen [runs]}
runs=${2:-15}

measure() {  # platform -> lines "startup_ms=... platform=... vmhwm_kb=..."
  for _ in $(seq "$runs"); do
    YWF_LAUNCH_NS=$(date +%s%N) QT_QPA_PLATFORM=$1 "$tool" --measure-startup 2>/dev/null
  done
}

summary() {  # label
  sort -t= -k2 -n | awk -v label="$1" '
    { split($1, a, "="); split($3, b, "="); t[NR] = a[2]; m[NR] = b[2] }
    END {
      n = NR; med = (n % 2) ? t[(n + 1) / 2] : (t[n / 2] + t[n / 2 + 1]) / 2
      maxm = 0; for (i = 1; i <= n; i++) if (m[i] > maxm) maxm = m[i]
      printf "%-10s runs=%d  start-up ms: min %.1f  median %.1f  max %.1f  VmHWM max %d kB\n",
             label, n, t[1], med, t[n], maxm
    }'
}

measure offscreen | summary offscreen

xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 display <"$fifo"
rm -f "$fifo"
DISPLAY=":$display" measure xcb | summary xcb
