// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The window's pictures, painted by code.

#include <QPixmap>

namespace artwork {

QPixmap Logo();                // 73 x 26: white NORVAK on a red oval
QPixmap ModelBadge();          // 52 x 15: KT-90 in white on black
QPixmap LcdPlate();            // 394 x 74: lime area in a dark bevel, rounded corners
QPixmap CloseFace(bool hover); // 48 x 20: glossy red face with a white X
QPixmap StopPicture();         // 24 x 24: red round button with a white X
// 256 x 256, the window's icon: the NORVAK oval over the lime plate in its
// bevel on the dark panel, as data/org.norvak.KT90dde.svg draws it for the
// desktop (without Qt's SVG module, the window paints its own).
QPixmap AppIcon();

} // namespace artwork
