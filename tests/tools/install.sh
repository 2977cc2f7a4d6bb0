#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` into a scratch prefix: the programs, the desktop entry
# with its icon and AppStream data (each as its validator wants it), the man
# pages, kt90rotd's unit naming the installed program, and the documents.
# Usage: install.sh BUILD_DIR
BUILD_DIR=$1
. "$(dirname "$0")/../support/shell.sh"
prefix="$work/usr"
cmake --install "$BUILD_DIR" --prefix "$prefix" >"$work/install.log"

missing=0
for f in bin/norvakKT90dde bin/kt90ctl bin/kt90rotd bin/kt90sim bin/trackerfeed \
  share/applications/org.norvak.KT90dde.desktop \
  share/icons/hicolor/scalable/apps/org.norvak.KT90dde.svg \
  share/metainfo/org.norvak.KT90dde.metainfo.xml \
  share/man/man1/norvakKT90dde.1.gz share/man/man1/kt90ctl.1.gz share/man/man1/kt90rotd.1.gz \
  share/man/man1/kt90sim.1.gz share/man/man1/trackerfeed.1.gz \
  lib/systemd/system/kt90rotd.service share/doc/norvakkt90dde/LICENSE share/doc/norvakkt90dde/copyright; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f" >&2; missing=1; }
done
[ "$missing" -eq 0 ]
# The unit names the program where the configured prefix puts it.
grep -qx "ExecStart=/.*/bin/kt90rotd --config /etc/kt90rotd.ini" \
  "$prefix/lib/systemd/system/kt90rotd.service"
"$prefix/bin/kt90ctl" --version >/dev/null
desktop-file-validate "$prefix/share/applications/org.norvak.KT90dde.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.norvak.KT90dde.metainfo.xml" >/dev/null
for page in "$prefix"/share/man/man1/*.1.gz; do
  # man's own check: every request known, nothing left over.
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
  [ -z "$out" ] || { echo "$page: $out" >&2; exit 1; }
done
echo "installed and valid"
