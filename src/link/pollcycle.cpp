// The poll cycle of TDeviceLink: position and outputs, every Pooling ms.

#include "devicelink.h"

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
    ProcessReceived(); // a reply that completed late is dealt with now
    try {
        try {
            WaitWhileBusy();
            SendStatusQuery();
            if (!fDisableRefresh) {
                WaitWhileBusy();
                SendOutputsQuery();
                WaitWhileBusy();
            }
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
}
