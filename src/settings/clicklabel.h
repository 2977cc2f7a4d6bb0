// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A label that reports mouse presses (value labels open their menu on any
// button) and clicks (caption labels that stand for a control).

#include <QLabel>
#include <QMouseEvent>

class TClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void pressed();
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        fDown = e->button() == Qt::LeftButton;
        emit pressed();
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        const bool click =
            fDown && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
        fDown = false;
        if (click)
            emit clicked();
    }

private:
    bool fDown = false;
};
