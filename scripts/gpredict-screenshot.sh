#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes docs/gpredict-engaged.png: Gpredict, with a rotator at localhost:4533,
# engaged on the panel's own rotator server, the panel connected to the
# simulator, all under Xvfb. Gpredict, xdotool and ImageMagick are needed only
# here, so they are installed here and not by setup.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
missing=()
for p in gpredict xdotool imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
rotport="${KT90_ROTCTLD_PORT:-4533}"
simport=$((20000 + RANDOM % 20000))
display=":$((50 + RANDOM % 50))"

Xvfb "$display" -screen 0 1600x870x24 >"$work/xvfb.log" 2>&1 &
pids+=("$!")
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

build/bin/kt90sim --tcp "127.0.0.1:${simport}" --speed 30 >"$work/sim.log" 2>&1 &
pids+=("$!")
# The panel reads its settings beside the executable: run a copy of it.
cp build/bin/norvakKT90dde "$work/"
printf '[Options]\nConnect via=ETH (RJ45)\nHOST IP=127.0.0.1\nHOST PORT=%s\nShow power outs=1\n[Rotctld]\nPort=%s\n' \
  "$simport" "$rotport" >"$work/norvakKT90dde.ini"
"$work/norvakKT90dde" >"$work/panel.log" 2>&1 &
pids+=("$!")
panel=$(xdotool search --sync --name '^NORVAK KT90 dde$' | head -1)
xdotool windowmove "$panel" 760 345

# Gpredict with a fresh configuration and the rotator the README describes.
export HOME="$work/home"
mkdir -p "$HOME/.config/Gpredict/hwconf"
printf '[Rotator]\nHost=localhost\nPort=%s\nMinAz=0\nMaxAz=360\nMinEl=0\nMaxEl=90\nAzType=0\n' \
  "$rotport" >"$HOME/.config/Gpredict/hwconf/KT90.rot"
(cd "$work" && gpredict >"$work/gpredict.log" 2>&1) &
pids+=("$!")
main=$(xdotool search --sync --name '^Gpredict: Amateur$' | head -1)
sleep 2
xdotool windowmove --sync "$main" 0 0
# The module's menu button (top right), then "Antenna Control".
width=$(xdotool getwindowgeometry "$main" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
xdotool mousemove --window "$main" $((width - 18)) 44 click 1
sleep 1
xdotool mousemove --window "$main" $((width + 70)) 238 click 1
rot=$(xdotool search --sync --name '^Gpredict Rotator Control' | head -1)
sleep 1
xdotool windowmove --sync "$rot" 760 0
# Engage: Gpredict sends the position its dials show (180°, 45°) and reads back.
xdotool mousemove --window "$rot" 779 196 click 1
for _ in $(seq 150); do
  grep -q 'M1 180.0 M2 45.0' "$work/sim.log" && break
  sleep 0.1
done
# The panel's fold-out pages ("show"), then the ORBITRON page with the
# server's line: its address and Gpredict as its client.
xdotool mousemove --window "$panel" 209 179 click 1
sleep 0.5
xdotool mousemove --window "$panel" 145 200 click 1
sleep 3
mkdir -p docs
import -window root docs/gpredict-engaged.png
if grep -q 'M1 180.0 M2 45.0' "$work/sim.log"; then
  echo "gpredict: the antenna reached 180/45; docs/gpredict-engaged.png"
else
  echo "gpredict: the antenna did not reach 180/45; see docs/gpredict-engaged.png" >&2
  exit 1
fi
