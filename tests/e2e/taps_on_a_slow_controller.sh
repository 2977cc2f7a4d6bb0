#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Taps of an arrow key while the link waits for a controller that answers
# 300 ms late: the press and the release each wait for the exchange in
# progress, and must reach the controller in that order (a release that
# overtook its press would leave the motor running).
# Usage: taps_on_a_slow_controller.sh BIN_DIR
BIN_DIR=$1
. "$(dirname "$0")/xsession.sh"

start_x
start_sim --delay 300
start_panel ""
jogs_reach() { [ "$(jog_frames | wc -l)" -ge "$1" ]; }
for tap in 1 2 3 4; do
  xdotool key Left
  wait_for 5 jogs_reach $((tap * 2))
done
got=$(jog_frames | tr '\n' ' ')
if [ "$got" != "01 00 01 00 01 00 01 00 " ]; then
  echo "jog frames for four taps of Left: $got(want 01 00 four times)" >&2
  exit 1
fi
echo "four taps of Left: jog frames $got"
