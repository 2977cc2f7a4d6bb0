// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The few ways the window's parts dress their controls.

#include <QColor>
#include <QFont>
#include <QWidget>

// The house colours: the panels' near-black, the amber of captions and the
// lime of values and readout boards.
inline const QColor kHousePanel(17, 17, 17);
inline const QColor kHouseAmber(192, 160, 0);
inline const QColor kHouseLime(145, 192, 7);

// A face by family name at a size in pixels.
QFont PixelFont(const char* family, int pixels, bool bold = false);
// The face to draw a family with at this device pixel ratio: the family, or
// a scalable face of its metrics where it has bitmaps only.
QString ScaledFace(const QString& family, qreal devicePixelRatio);

// The widget's background filled in a colour.
void SetBackground(QWidget* w, const QColor& c);

// The widget's text (labels and edits alike) in a colour.
void SetTextColour(QWidget* w, const QColor& c);
