#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of an operator's walk through the configuration editor: the
# panel connected to the simulator under Xvfb downloads, edits with the keys,
# uploads, saves, restores the defaults and reopens the file
# (docs/editor-*.png).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
mkdir -p docs
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
KT90_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
  build/tests/test_console --gtest_filter='*TheOperatorEditsTheControllersConfiguration*'
for f in "$out"/*.png; do
  cp "$f" "docs/editor-$(basename "$f")"
done
ls docs/editor-*.png
