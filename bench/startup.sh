#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up of the panel, ten runs: main() to the first expose as the program
# measures it, and the whole process (loading included) from the shell.
set -euo pipefail
cd "$(dirname "$0")/.."
inside=()
whole=()
for _ in $(seq 10); do
  t0=$(date +%s%N)
  line=$(build/bench/bench_startup 2>/dev/null)
  t1=$(date +%s%N)
  inside+=("$(echo "$line" | awk '{print $(NF-1)}')")
  whole+=("$(( (t1 - t0) / 1000000 ))")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "main() to first expose: median $(median "${inside[@]}") ms"
echo "process start to exit after the first expose: median $(median "${whole[@]}") ms"
