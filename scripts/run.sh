#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts the panel against the bundled
# controller simulator on 127.0.0.1. The panel's settings file
# (build/bin/norvakKT90dde.ini) is written only when there is none, pointing
# at the simulator; the simulator's traffic goes to build/kt90sim.log.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
port="${KT90_PORT:-4540}" # 4533 is the panel's own rotctld port
ini=build/bin/norvakKT90dde.ini
if [ ! -e "$ini" ]; then
  printf '[Options]\nConnect via=ETH (RJ45)\nHOST IP=127.0.0.1\nHOST PORT=%s\nShow power outs=1\n' \
    "$port" >"$ini"
  echo "run: wrote $ini for the simulator on 127.0.0.1:$port"
fi
build/bin/kt90sim --tcp "127.0.0.1:${port}" --speed 6 >build/kt90sim.log 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT INT TERM
sleep 0.3
if ! kill -0 "$sim" 2>/dev/null; then
  echo "run: the simulator did not start; see build/kt90sim.log" >&2
  exit 1
fi
echo "run: type an angle into M1 or M2 and press Enter; the arrow keys jog, Backspace stops."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display; starting the panel under xvfb-run (nothing will be visible)" >&2
  xvfb-run -a build/bin/norvakKT90dde
else
  build/bin/norvakKT90dde
fi
