// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/PageControl.h"

#include <QPainter>
#include <QStackedWidget>

void TPageTabBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    for (int i = 0; i < count(); ++i) {
        if (!isTabVisible(i))
            continue;
        const QRect r = tabRect(i);
        const QString caption = tabText(i);
        const QSize text = p.fontMetrics().size(Qt::TextSingleLine, caption);
        const int x = r.left() + (r.width() - text.width()) / 2;
        const int y = r.top() + (r.height() - text.height()) / 2 + (i == currentIndex() ? 0 : 1);
        p.save();
        p.setClipRect(r);
        p.fillRect(r, QColor(0x00, 0xFF, 0x00));
        p.drawText(QRect(QPoint(x, y), text), Qt::TextSingleLine, caption);
        p.restore();
    }
}

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new TPageTabBar(this));
    setDocumentMode(true); // flat, no 3-D border
}

QRect TPageControl::DisplayRect() const
{
    const auto* stack = findChild<QStackedWidget*>();
    return stack ? stack->geometry() : rect();
}

void TPageControl::placePages()
{
    auto* stack = findChild<QStackedWidget*>();
    if (!stack)
        return;
    bool anyTab = false;
    for (int i = 0; i < count(); ++i)
        anyTab = anyTab || isTabVisible(i);
    tabBar()->setVisible(anyTab);
    // The standard top, 4 pixels up, the full width and the rest of the
    // height; never above the control.
    const int top = anyTab ? std::max(0, tabBar()->geometry().bottom() + 1 - 4) : 0;
    stack->setGeometry(0, top, width(), height() - top);
}

void TPageControl::resizeEvent(QResizeEvent* e)
{
    QTabWidget::resizeEvent(e);
    placePages();
}

void TPageControl::showEvent(QShowEvent* e)
{
    QTabWidget::showEvent(e);
    placePages();
}

void TPageControl::tabInserted(int index)
{
    QTabWidget::tabInserted(index);
    placePages();
}
