// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ArrowKeyPanel.h"

#include <QKeyEvent>

bool IsArrowKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

TArrowKeyPanel::TArrowKeyPanel(QWidget* parent) : QLabel(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

bool TArrowKeyPanel::event(QEvent* e)
{
    // Qt's question "do you want this key before any shortcut or focus
    // move?": yes for exactly the arrow keys.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (IsArrowKey(k->key())) {
            e->accept();
            return true;
        }
    }
    return QLabel::event(e);
}

void TArrowKeyPanel::keyPressEvent(QKeyEvent* e)
{
    e->ignore();
    emit keyDown(e);
    if (!e->text().isEmpty() && e->text().at(0).isPrint())
        emit keyPress(e);
    if (IsArrowKey(e->key()))
        e->accept(); // an arrow never travels on to the parent
    if (!e->isAccepted())
        QLabel::keyPressEvent(e);
}

void TArrowKeyPanel::keyReleaseEvent(QKeyEvent* e)
{
    e->ignore();
    emit keyUp(e);
    if (IsArrowKey(e->key()))
        e->accept();
    if (!e->isAccepted())
        QLabel::keyReleaseEvent(e);
}
