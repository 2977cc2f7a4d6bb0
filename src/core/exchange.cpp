// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/exchange.h"

#include "core/errors.h"

namespace kt90 {

void ThrowSendError() { throw Error("Command send error. Check settings and connections."); }

void ThrowExchangeError(ExchangeState state)
{
    switch (state) {
    case ExchangeTimedOut:
        throw ETimeoutException();
    case ExchangeReplied:
        ThrowSendError();
    case ExchangeBusy:
    case ExchangeInvalid:
        break;
    }
    throw EInvalidDataReceivedException();
}

} // namespace kt90
