#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes docs/screenshot.png: the panel under Xvfb, connected to the simulator,
# with the power outputs shown and the options page open.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
work=$(mktemp -d)
trap 'kill "${sim:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
port=$((20000 + RANDOM % 20000))
build/bin/kt90sim --tcp "127.0.0.1:${port}" --quiet --m1 123.4 --m2 45 &
sim=$!
sleep 0.3
printf '[Options]\nConnect via=ETH (RJ45)\nHOST IP=127.0.0.1\nHOST PORT=%s\nShow power outs=1\n' \
  "$port" >"$work/norvakKT90dde.ini"
mkdir -p docs
xvfb-run -a -s "-screen 0 1024x768x24" \
  build/bin/kt90shot "$work/norvakKT90dde.ini" docs/screenshot.png --options --page 2 --wait 2000
echo "screenshot: docs/screenshot.png"
