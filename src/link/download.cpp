// SPDX-License-Identifier: GPL-3.0-or-later
// The download of the configuration block, TDeviceLink's part of the
// configuration transfer.

#include "link/devicelink.h"

#include "core/exchange.h"
#include "link/logging.h"

#include <algorithm>

namespace {
constexpr int kMaxChunks = 256;
} // namespace

void TDeviceLink::CloseTransports()
{
    fPositionKnown = false;
    if (tn.Connected()) {
        tn.Disconnect();
        qCInfo(lcLink, "%s disconnected", qPrintable(LogTime()));
    }
    if (cp.isOpen()) {
        cp.close();
        qCInfo(lcLink, "%s serial port closed", qPrintable(LogTime()));
    }
}

void TDeviceLink::ROTn_GetVars(bool raiseException)
{
    try {
        kt90::Frame command = kt90::blockReadCommand(0);
        constexpr int size = static_cast<int>(kt90::kBlockSize);
        constexpr int chunkSize = static_cast<int>(kt90::kChunkSize);
        for (int k = 0; k < kMaxChunks && k * chunkSize < size; ++k) {
            command[1] = static_cast<std::uint8_t>(k);
            const int length = std::min(chunkSize, size - k * chunkSize);
            // A serial exchange that failed is a send error here, whatever
            // its state; over TCP the state tells.
            if (!SendCommand(command, length + 2))
                kt90::ThrowSendError();
            ProcessReceived();
            if (fStateValue != kt90::ExchangeReplied)
                kt90::ThrowExchangeError(fStateValue);
        }
        fConfigurationKnown = true;
    } catch (const std::exception& e) {
        qCInfo(lcLink, "%s configuration download failed: %s", qPrintable(LogTime()), e.what());
        CloseTransports();
        if (raiseException)
            throw;
    } catch (...) {
        CloseTransports();
        if (raiseException)
            throw;
    }
}
