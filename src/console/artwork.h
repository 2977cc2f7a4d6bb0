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

} // namespace artwork
