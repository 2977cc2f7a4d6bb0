#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Resident memory of the panel after it has polled the simulator for a while
# (default 60 s), offscreen. kt90shot runs the real main window.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
work=$(mktemp -d)
trap 'kill "${sim:-}" "${panel:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
port=$((20000 + RANDOM % 20000))
build/bin/kt90sim --tcp "127.0.0.1:${port}" --quiet &
sim=$!
sleep 0.3
printf '[Options]\nConnect via=ETH (RJ45)\nHOST IP=127.0.0.1\nHOST PORT=%s\nShow power outs=1\n' \
  "$port" >"$work/norvakKT90dde.ini"
QT_QPA_PLATFORM=offscreen build/bin/kt90shot "$work/norvakKT90dde.ini" "$work/end.png" \
  --wait $(( (seconds + 5) * 1000 )) 2>/dev/null &
panel=$!
sleep "$seconds"
rss=$(awk '/VmRSS/ {print $2}' "/proc/$panel/status")
hwm=$(awk '/VmHWM/ {print $2}' "/proc/$panel/status")
ticks=$(awk '{print $14 + $15}' "/proc/$panel/stat")
hz=$(getconf CLK_TCK)
echo "panel after ${seconds} s of polling: RSS ${rss} KiB (peak ${hwm} KiB), CPU $(awk -v t="$ticks" -v hz="$hz" -v s="$seconds" 'BEGIN {printf "%.2f", 100 * t / hz / s}') % of one core"
