// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A value panel that keeps the arrow keys for itself: pressed while it has
// the focus, they reach its key signals instead of moving the focus. Tab,
// Enter and Escape keep their usual meaning.

#include <QLabel>

class QKeyEvent;

class TArrowKeyPanel : public QLabel {
    Q_OBJECT
public:
    explicit TArrowKeyPanel(QWidget* parent = nullptr);

signals:
    // The event stays valid while the signal runs; a handler may accept it.
    void keyDown(QKeyEvent* event);
    void keyPress(QKeyEvent* event); // a key that produced text
    void keyUp(QKeyEvent* event);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

// Whether a key is one of the four arrows.
bool IsArrowKey(int key);
