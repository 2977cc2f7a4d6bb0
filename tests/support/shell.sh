# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the process tests: a temporary folder, the processes started
# (killed at the end), and a wait with a deadline.
#   KEEP_WORK=DIR keeps a copy of the folder (the logs) for a look after.

set -euo pipefail
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] && cp -r "$work" "$KEEP_WORK"
  rm -rf "$work"
}
trap cleanup EXIT

# Runs a condition every 50 ms until it holds or the deadline (seconds) passes.
wait_for() {
  local deadline=$1
  shift
  local end=$((SECONDS + deadline))
  until "$@"; do
    if [ $SECONDS -ge $end ]; then
      echo "timed out waiting for: $*" >&2
      return 1
    fi
    sleep 0.05
  done
}
