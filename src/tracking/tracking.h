// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Following the satellite tracker: the conversation Tracking with its item
// TrackingDataEx, the toggle on the tracker page, and one set-position
// command for every new line.

#include "link/devicelink.h"
#include "tracking/conversation.h"
#include "tracking/frameOrbitron.h"

#include <QObject>

class TTracking : public QObject {
    Q_OBJECT
public:
    TTracking(TDeviceLink& link, TOrbitronFrame& page, QObject* parent = nullptr);

    TDdeConversation Tracking;
    // The last tracker record and the AOS notice beside it.
    kt90::TSatData SatData;
    std::string AosText;

    void TrackingToogle(QLabel* label);
    void TrackingOpen();
    void TrackingClose();
    void TrackingDataExChange();
    void UpdateRotorAndRadio(const kt90::TSatData& record);

    // Clears the record and the page, as at start-up.
    void ClearPage();

    // The command that starts the tracker: an executable "orbitron" beside
    // ours (by its full path), else the per-user "Path" of Quellmark
    // Orbitron followed by "orbitron".
    static QString LocateTracker(const QString& programDir);

private:
    TDeviceLink& fLink;
    TOrbitronFrame& fPage;
};
