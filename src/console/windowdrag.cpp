// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/windowdrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

void TWindowDrag::press(QWidget* from, QMouseEvent* e)
{
    QWidget* window = from->window();
    if (e->button() == Qt::LeftButton) {
        if (QWindow* w = window->windowHandle())
            w->startSystemMove();
    } else if (fButton == Qt::NoButton) { // one move at a time
        fButton = e->button();
        fGrabbedAt = e->globalPosition().toPoint() - window->frameGeometry().topLeft();
    }
}

void TWindowDrag::move(QWidget* from, QMouseEvent* e)
{
    if (fButton != Qt::NoButton && (e->buttons() & fButton))
        from->window()->move(e->globalPosition().toPoint() - fGrabbedAt);
}

void TWindowDrag::release(QMouseEvent* e)
{
    if (e->button() == fButton)
        fButton = Qt::NoButton;
}
