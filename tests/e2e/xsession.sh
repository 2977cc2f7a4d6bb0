# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the real-event tests: a private X server (Xvfb) with the
# keyboard's auto-repeat on, the simulator, and the panel built into BIN_DIR
# started from a folder of its own with a settings file pointing at the
# simulator. Needs Xvfb and xdotool.
#   start_x; start_sim [sim options]; start_panel "extra ini lines"
#   (start_panel returns once the simulator log shows $panel_ready)
#   jog_frames: the jog masks the simulator received, one per line

. "$(dirname "${BASH_SOURCE[0]}")/../support/shell.sh"
panel_ready='outputs query'

start_x() {
  Xvfb -displayfd 4 -screen 0 1280x1024x24 -ardelay 250 -arinterval 30 -nolisten tcp \
    4>"$work/display" >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  wait_for 10 test -s "$work/display"
  export DISPLAY=":$(head -n1 "$work/display")"
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
}

start_sim() {
  "$BIN_DIR/kt90sim" --tcp 127.0.0.1:0 "$@" >"$work/sim.log" 2>&1 &
  pids+=($!)
  wait_for 10 grep -q 'listening on' "$work/sim.log"
  sim_port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$work/sim.log" | head -n1)
}

start_panel() {
  mkdir -p "$work/panel"
  cp "$BIN_DIR/norvakKT90dde" "$work/panel/"
  printf '[Options]\nConnect via=ETH (RJ45)\nHOST IP=127.0.0.1\nHOST PORT=%s\n%s\n[Rotctld]\nEnabled=0\n' \
    "$sim_port" "${1:-}" >"$work/panel/norvakKT90dde.ini"
  "$work/panel/norvakKT90dde" >"$work/panel.log" 2>&1 &
  panel=$!
  pids+=($panel)
  wait_for 15 grep -q "$panel_ready" "$work/sim.log"
  window=$(xdotool search --sync --pid "$panel" --name 'NORVAK KT90 dde' | head -n1)
  xdotool windowfocus --sync "$window"
}

jog_frames() {
  sed -n 's/^<- 57 \([0-9A-F][0-9A-F]\) .* 14 20 .*/\1/p' "$work/sim.log"
}
