#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The headless station end to end: hamlib's own rotctl against kt90rotd on
# the simulator over TCP. Set, read, stop, park, a move that ends with its
# client; the simulator killed (p answers an error) and started again (the
# link comes back by itself); SIGTERM while a client's move runs (the stop
# reaches the controller, the exit status is 0).
# Usage: kt90rotd_station.sh BIN_DIR
BIN_DIR=$1
. "$(dirname "$0")/../support/shell.sh"
command -v rotctl >/dev/null || { echo "rotctl (libhamlib-utils) is not installed" >&2; exit 1; }

start_sim() { # [port]
  "$BIN_DIR/kt90sim" --tcp "127.0.0.1:${1:-0}" >"$work/sim.log" 2>&1 &
  sim=$!
  pids+=($sim)
  wait_for 10 grep -q 'listening on' "$work/sim.log"
  sim_port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$work/sim.log" | head -n1)
}
frames() { grep -c "^<- .*  $1" "$work/sim.log" || true; }
sim_saw() { [ "$(frames "$1")" -ge "$2" ]; }
logged() { [ "$(grep -c "$1" "$work/rotd.log" || true)" -ge "${2:-1}" ]; }
rot() { rotctl -m 2 -r "127.0.0.1:$rot_port" "$@" 2>"$work/rotctl.err"; }
p_fails() { ! rot p >"$work/p.out"; }

start_sim
printf '[Options]\nPooling (ms)=200\nTimeout (ms)=200\nReconnect (s)=1\n[Rotctld]\nPort=0\n' \
  >"$work/station.ini"
"$BIN_DIR/kt90rotd" --config "$work/station.ini" --tcp "127.0.0.1:$sim_port" >"$work/rotd.log" 2>&1 &
rotd=$!
pids+=($rotd)
wait_for 10 logged 'configuration read'
rot_port=$(sed -n 's/.*rotctld: 127.0.0.1:\([0-9]*\),.*/\1/p' "$work/rotd.log" | head -n1)

rot P 120 30
wait_for 5 sim_saw 'set position 4800 3900' 1
got=$(rot p | tr '\n' ' ')
[[ "$got" =~ ^[0-9.]+\ [0-9.]+\ $ ]] || { echo "p answered: $got" >&2; exit 1; }
rot S
wait_for 5 sim_saw 'stop' 1
rot K
wait_for 5 sim_saw 'set position 3600 3600' 1 # park 0/0
# rotctl leaves after the move: the move ends with it.
rot M 8 0
wait_for 5 sim_saw 'jog mask 1' 1
wait_for 5 sim_saw 'stop' 2

# The controller goes away: no more positions, within three poll cycles.
kill "$sim"
wait "$sim" 2>/dev/null || true
wait_for 5 p_fails
grep -q 'IO error' "$work/p.out" "$work/rotctl.err" || { cat "$work/p.out" >&2; exit 1; }
# ... and comes back: the station finds it again by itself.
start_sim "$sim_port"
wait_for 10 logged 'configuration read' 2
wait_for 5 rot p >/dev/null

# SIGTERM while a client's move runs: the stop goes out, status 0.
( printf 'M 16 0\n'; sleep 5 ) | socat - "TCP:127.0.0.1:$rot_port" >"$work/mover.out" &
pids+=($!)
wait_for 5 sim_saw 'jog mask 2' 1
stops=$(frames 'stop')
kill -TERM "$rotd"
status=0
wait "$rotd" || status=$?
[ "$status" -eq 0 ] || { echo "kt90rotd ended with $status" >&2; exit 1; }
sim_saw 'stop' $((stops + 1)) || { echo "no stop after SIGTERM" >&2; tail "$work/sim.log" >&2; exit 1; }
echo "kt90rotd: set, read, stop, park, move, lost, back, stopped on SIGTERM"
