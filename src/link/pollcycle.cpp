// SPDX-License-Identifier: GPL-3.0-or-later
// The poll cycle of TDeviceLink: position and outputs, every Pooling ms.

#include "link/devicelink.h"

#include <QEventLoop>

void TDeviceLink::rearmRefresh()
{
    if (fDisableRefresh)
        return;
    tmrRefresh.setInterval(fOptions ? fOptions->Pooling() : tmrRefresh.interval());
    tmrRefresh.start();
}

void TDeviceLink::tmrRefreshTimer()
{
    tmrRefresh.stop();
    fPositionSeen = false;
    ProcessReceived(); // a reply that completed late is dealt with now
    try {
        try {
            SendStatusQuery();
            if (!fDisableRefresh)
                SendOutputsQuery();
            rearmRefresh();
        } catch (const std::exception&) {
            // Transport errors in a poll are dropped; the next cycle runs.
            rearmRefresh();
        }
    } catch (...) {
        fDisableRefresh = true;
        if (fConnectionRoutine)
            fConnectionRoutine();
    }
    // The readout would otherwise go on showing the last angles as if they
    // were current.
    const bool open = IsOpen();
    if (!fPositionSeen && open && ++fMissedPolls == kMissedPollsForLoss)
        emit controllerSilent();
    if (!open)
        fMissedPolls = 0;
    emit pollCycleEnded();
}

void TDeviceLink::StartPoll(int intervalMs)
{
    tmrRefresh.setInterval(intervalMs);
    tmrRefresh.start();
}

void TDeviceLink::StopPoll() { tmrRefresh.stop(); }

void TDeviceLink::PauseRefresh()
{
    fDisableRefresh = true;
    while (tmrRefresh.isActive()) {
        // Woken by the end of the cycle; the timer is looked at again now and
        // then in case something else switched it off.
        QEventLoop loop;
        QTimer recheck;
        bool woken = false;
        const auto wake = [&] {
            woken = true;
            loop.quit();
        };
        connect(this, &TDeviceLink::pollCycleEnded, &loop, wake);
        connect(&recheck, &QTimer::timeout, &loop, [&] {
            if (!tmrRefresh.isActive())
                wake();
        });
        recheck.start(50);
        loop.exec();
        if (!woken) // the application is shutting its event loops down
            break;
    }
}

void TDeviceLink::ResumeRefresh()
{
    fDisableRefresh = false;
    tmrRefresh.start();
}
