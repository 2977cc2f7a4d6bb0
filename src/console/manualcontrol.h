// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The operator's commands on the console: angles typed into the two fields
// and sent, STOP, jogging with the arrow keys, and the output cells.

#include "link/devicelink.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class QKeyEvent;
class QLineEdit;
class TLCDLine;

class TManualControl : public QObject {
    Q_OBJECT
public:
    // foldOutShown tells whether the fold-out panel is open (keys then go to
    // the focused control).
    TManualControl(TDeviceLink& link, QLineEdit* edAz, QLineEdit* edEl, TLCDLine* line4,
                   std::function<bool()> foldOutShown);

    // A character typed into an angle field; true when it is not to reach
    // the field (filtered out, or Enter, which sends).
    bool edAzKeyPress(QKeyEvent* e);
    bool edElKeyPress(QKeyEvent* e);

    // Window-level keys, seen before the focused control; true when the key
    // is not passed on.
    bool FormKeyDown(QKeyEvent* e);
    bool FormKeyUp(QKeyEvent* e);

    void btnSendClick();
    void btnStopClick();
    void LCDLine4MouseDown(int x);

    // Ends every jog: the window lost the focus or the pages opened.
    void ReleaseJogs();

    // The field's text in the user's locale; -360 (the axis left alone)
    // when it is not a number.
    static double AngleValue(const QString& text);
    static bool AcceptedCharacter(QChar c);

private:
    bool angleKeyPress(QKeyEvent* e, bool m1);
    void jog(std::uint32_t mask);
    void release(int key);
    void releasePending();

    // An arrow key's release held back for a moment: X11 sends a held key's
    // repeats as a release and a press with the same server time, flagged
    // as repeats only when the press was already queued.
    struct PendingRelease {
        int key;
        quint64 timestamp;
    };
    std::optional<PendingRelease> fPending;
    QTimer fReleaseTimer;

    TDeviceLink& fLink;
    QLineEdit* fAz;
    QLineEdit* fEl;
    TLCDLine* fLine4;
    std::function<bool()> fFoldOutShown;
};
