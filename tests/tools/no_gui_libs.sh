#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when one of the given programs loads Qt Widgets or Qt Gui: they run
# on a computer without a display.
status=0
for program in "$@"; do
  if ldd "$program" | grep -E 'libQt6(Widgets|Gui)\.so'; then
    echo "$program loads a widget or GUI library" >&2
    status=1
  fi
done
exit $status
