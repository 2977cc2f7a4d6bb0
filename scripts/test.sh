#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs the whole test suite headless.
# With CI=true (as .ci/run sets it) or KT90_SANITIZE=1 the suite runs a
# second time, built with AddressSanitizer and UndefinedBehaviorSanitizer,
# and each fuzz harness runs for a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)" --timeout 120
if [ "${CI:-}" = "true" ] || [ "${KT90_SANITIZE:-}" = "1" ]; then
  flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKT90_WERROR=ON -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
  cmake --build build-asan -j"$(nproc)"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)" --timeout 240
fi
if [ "${CI:-}" = "true" ] || [ "${KT90_SANITIZE:-}" = "1" ]; then
  scripts/fuzz.sh 60 2
fi
