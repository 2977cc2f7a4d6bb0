#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Holding an arrow key on a real X server, with the server's auto-repeat on
# and the event thread kept busy by polls of a controller that answers late,
# sends one jog frame when the key goes down and one when it comes up; the
# repeats in between (a release and a press each) send nothing.
# Usage: held_arrow_key.sh BIN_DIR
BIN_DIR=$1
. "$(dirname "$0")/xsession.sh"

start_x
start_sim --delay 30
start_panel "Pooling (ms)=200"
jogs_reach() { [ "$(jog_frames | wc -l)" -ge "$1" ]; }
for hold in 1.5 0.8; do
  before=$(jog_frames | wc -l)
  xdotool keydown Left
  sleep "$hold" # the key is held this long: the repeats are what is tested
  xdotool keyup Left
  wait_for 5 jogs_reach $((before + 2))
done
sleep 0.3 # a stray frame after the release would come within this
got=$(jog_frames | tr '\n' ' ')
if [ "$got" != "01 00 01 00 " ]; then
  echo "jog frames for two holds of Left: $got(want 01 00 01 00)" >&2
  exit 1
fi
echo "held Left twice: jog frames $got"
