#!/usr/bin/env bash
# Installs what is missing, builds, and starts the controller simulator on
# 127.0.0.1 with its traffic on the terminal. A status command and a block read
# are sent once so that something shows; Ctrl-C ends it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
port="${KT90_PORT:-4533}"
build/bin/kt90sim --tcp "127.0.0.1:${port}" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT INT TERM
sleep 0.5
status='W\0\0\0\0\0\0\0\0\0\0\x1f '
read_block='W\0\0\0\0\0\0\0\0\0\0O '
{ printf "$status"; sleep 0.2; printf "$read_block"; sleep 0.5; } |
  socat - "TCP:127.0.0.1:${port}" >/dev/null || true
echo "kt90sim is serving 127.0.0.1:${port}; Ctrl-C to stop."
wait "$sim"
