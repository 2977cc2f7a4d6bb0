// SPDX-License-Identifier: GPL-3.0-or-later
// The senders of TDeviceLink: one command frame each.

#include "link/devicelink.h"

void TDeviceLink::SendStatusQuery() { SendCommand(kt90::statusCommand(), 0); }

void TDeviceLink::SendStop() { SendCommand(kt90::stopCommand(), 0); }

void TDeviceLink::SendJog() { SendCommand(kt90::jogCommand(fButtonsValue), 0); }

void TDeviceLink::SendOutputsQuery()
{
    SendCommand(kt90::outputsQuery(), static_cast<int>(kt90::kOutputsReplySize));
}

void TDeviceLink::SendOutputs(std::uint8_t mask) { SendCommand(kt90::setOutputsCommand(mask), 0); }

void TDeviceLink::SendPosition(double az, double el)
{
    // The poll pauses for the exchange and resumes however it ends; an
    // error (an angle the frame cannot carry, a link failure) then goes on
    // to the caller.
    fDisableRefresh = true;
    struct Resume {
        TDeviceLink& link;
        ~Resume()
        {
            link.fDisableRefresh = false;
            link.tmrRefresh.start();
        }
    } resume{*this};
    SendCommand(kt90::setPositionCommand(az, fAzGearValue, el, fElGearValue), 0);
}
