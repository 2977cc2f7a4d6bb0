#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, ASan, UBSan) and runs each for
# SECONDS (default 60) from its seed corpus in fuzz/corpus. Fails on the
# first crash; the crashing input is left in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
CXX=clang++-14 cmake -S . -B build-fuzz -DKT90_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"
for target in replybuffer trackerline configfile inifile rotctl; do
  work="build-fuzz/corpus-$target"
  mkdir -p "$work"
  cp -n fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
  echo "fuzz: $target for ${seconds} s"
  rc=0
  (cd build-fuzz && ./fuzz/fuzz_"$target" -max_total_time="$seconds" -print_final_stats=1 \
    "corpus-$target" >"fuzz-$target.log" 2>&1) || rc=$?
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY| DONE +cov:' \
    "build-fuzz/fuzz-$target.log" || true
  if [ "$rc" -ne 0 ]; then
    echo "fuzz: $target failed; see build-fuzz/fuzz-$target.log" >&2
    exit 1
  fi
done
