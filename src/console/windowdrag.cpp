#include "console/windowdrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

bool TWindowDrag::press(QWidget* from, QMouseEvent* e)
{
    QWidget* window = from->window();
    if (e->button() == Qt::LeftButton) {
        if (QWindow* w = window->windowHandle())
            w->startSystemMove();
        return true;
    }
    if (fButton != Qt::NoButton)
        return true; // one move at a time
    fButton = e->button();
    fGrabbedAt = e->globalPosition().toPoint() - window->frameGeometry().topLeft();
    return true;
}

bool TWindowDrag::move(QWidget* from, QMouseEvent* e)
{
    if (fButton == Qt::NoButton || !(e->buttons() & fButton))
        return false;
    from->window()->move(e->globalPosition().toPoint() - fGrabbedAt);
    return true;
}

bool TWindowDrag::release(QMouseEvent* e)
{
    if (fButton == Qt::NoButton || e->button() != fButton)
        return false;
    fButton = Qt::NoButton;
    return true;
}
