#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CPU use of `kt90ctl watch --interval 250` against kt90sim over loopback TCP,
# measured from /proc over a window (default 60 s).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
port=$((20000 + RANDOM % 20000))
build/bin/kt90sim --tcp "127.0.0.1:${port}" --quiet &
sim=$!
trap 'kill "$sim" "${ctl:-}" 2>/dev/null || true' EXIT
sleep 0.3
build/bin/kt90ctl --tcp "127.0.0.1:${port}" watch --interval 250 >/dev/null &
ctl=$!
sleep 1
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks "$ctl")
sleep "$seconds"
after=$(ticks "$ctl")
rss=$(awk '/VmRSS/ {print $2}' "/proc/$ctl/status")
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v rss="$rss" 'BEGIN {
  printf "kt90ctl watch --interval 250: %.3f %% of one core over %d s (%d ticks of 1/%d s), RSS %d KiB\n",
         100 * t / hz / s, s, t, hz, rss }'
