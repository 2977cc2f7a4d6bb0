#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every program answers --help (status 0, a usage line) and --version (its
# name and the project's version), without a display.
# Usage: help_and_version.sh BIN_DIR VERSION
set -euo pipefail
BIN_DIR=$1
VERSION=$2
unset DISPLAY WAYLAND_DISPLAY
for p in norvakKT90dde kt90ctl kt90sim trackerfeed kt90rotd; do
  help=$("$BIN_DIR/$p" --help)
  grep -q "^Usage: $p" <<<"$help" || { echo "$p --help: $help" >&2; exit 1; }
  version=$("$BIN_DIR/$p" --version)
  [ "$version" = "$p $VERSION" ] || { echo "$p --version: $version" >&2; exit 1; }
done
echo "all answer --help and --version ($VERSION)"
