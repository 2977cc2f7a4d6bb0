#!/usr/bin/env bash
# Installs what is missing, builds, and starts the controller simulator on
# 127.0.0.1 with its traffic on the terminal. kt90ctl asks for the status and
# points the simulated rotator once so that something shows; Ctrl-C ends it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
port="${KT90_PORT:-4533}"
build/bin/kt90sim --tcp "127.0.0.1:${port}" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT INT TERM
sleep 0.5
build/bin/kt90ctl --tcp "127.0.0.1:${port}" status || true
build/bin/kt90ctl --tcp "127.0.0.1:${port}" goto 120 30 || true
echo "kt90sim is serving 127.0.0.1:${port}; try: build/bin/kt90ctl --tcp 127.0.0.1:${port} watch"
echo "Ctrl-C to stop."
wait "$sim"
