#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Typed on a real X server right after start-up, "123" and Enter point M1 at
# 123°: the text "0.0" the field starts with is replaced, not appended to.
# Usage: typing_at_start.sh BIN_DIR
BIN_DIR=$1
. "$(dirname "$0")/xsession.sh"

start_x
start_sim
start_panel "Pooling (ms)=2000"
xdotool type --delay 30 "123"
xdotool key Return
# 123° at resolution 10 is (123 + 360) x 10 = 4830; motor 2 left alone.
sent() { grep -q '^<- 57 34 38 33 30 0A 30 30 30 30 0A 2F 20' "$work/sim.log"; }
if ! wait_for 5 sent; then
  echo "set-position frames received:" >&2
  grep 'set position\|2F 20' "$work/sim.log" >&2 || true
  exit 1
fi
echo "typed 123 at start-up: M1 set to 123°"
