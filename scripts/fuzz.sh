#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer harnesses (clang, ASan, UBSan) and runs each for
# SECONDS (default 60) from its seed corpus in fuzz/corpus, JOBS (default 1)
# harnesses at a time. Fails when any harness crashed; the crashing input is
# left in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
jobs="${2:-1}"
CXX=clang++-14 cmake -S . -B build-fuzz -DKT90_FUZZ=ON -DKT90_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"

run_one() {
  local target="$1" work="corpus-$1"
  mkdir -p "build-fuzz/$work"
  cp -n fuzz/corpus/"$target"/* "build-fuzz/$work"/ 2>/dev/null || true
  (cd build-fuzz && ./fuzz/fuzz_"$target" -max_total_time="$seconds" -print_final_stats=1 \
    "$work" >"fuzz-$target.log" 2>&1)
}

failed=()
pids=()
names=()
finish_one() {
  if ! wait "${pids[0]}"; then failed+=("${names[0]}"); fi
  pids=("${pids[@]:1}")
  names=("${names[@]:1}")
}
for target in replybuffer trackerline configfile inifile rotctl; do
  echo "fuzz: $target for ${seconds} s"
  run_one "$target" &
  pids+=("$!")
  names+=("$target")
  if [ "${#pids[@]}" -ge "$jobs" ]; then finish_one; fi
done
while [ "${#pids[@]}" -gt 0 ]; do finish_one; done

for target in replybuffer trackerline configfile inifile rotctl; do
  echo "== $target"
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY|DONE +cov:' \
    "build-fuzz/fuzz-$target.log" || true
done
if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz: ${failed[*]} failed; see build-fuzz/fuzz-<name>.log" >&2
  exit 1
fi
