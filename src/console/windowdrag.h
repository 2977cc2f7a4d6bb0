// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Moving the borderless window with the mouse from a free area, as a title
// bar would. The left button hands the move to the window manager; another
// button moves the window here, until that same button is released (the
// window manager's move would wait for a left release and glue the window
// to the pointer).

#include <QPoint>
#include <Qt>

class QMouseEvent;
class QWidget;

class TWindowDrag {
public:
    void press(QWidget* from, QMouseEvent* e);
    void move(QWidget* from, QMouseEvent* e);
    void release(QMouseEvent* e);

private:
    Qt::MouseButton fButton = Qt::NoButton;
    QPoint fGrabbedAt; // the pointer's place within the window
};
