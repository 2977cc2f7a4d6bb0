#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package as a packager does (Release, installed under
# /usr) into build-release/ and prints its path. Install it with
#   sudo apt-get install ./build-release/norvakkt90dde_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >&2
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DKT90_WERROR=ON -DKT90_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build-release -j"$(nproc)" >&2
rm -f build-release/norvakkt90dde_*.deb
cmake --build build-release --target package >&2
ls build-release/norvakkt90dde_*.deb
