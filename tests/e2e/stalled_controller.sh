#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A TCP controller that takes the connection and never answers must not
# freeze the window: with a 2 s reply time-out, a read that blocked the event
# thread would leave the window deaf for 2 s at every poll. The window
# manager's ping stands for the operator: it is answered only when the event
# thread runs. While the link waits, the arrow keys still reach the wire.
# Usage: stalled_controller.sh BIN_DIR WMPING
BIN_DIR=$1
WMPING=$2
. "$(dirname "$0")/xsession.sh"

start_x
start_sim --silent
panel_ready='^<- 57' # a silent controller is never asked for its outputs
start_panel "Timeout (ms)=2000"
pings=$("$WMPING" "$window" 6)
echo "stalled controller, time-out 2000 ms: $pings"
read -r _ sent _ answered _ longest _ <<<"$pings"
if [ "$answered" -lt $((sent * 9 / 10)) ] || [ "${longest%.*}" -ge 1000 ]; then
  echo "the window stopped answering while the link waited for the controller" >&2
  exit 1
fi
