// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/unhandled.h"

namespace {
UnhandledErrorHandler& handler()
{
    static UnhandledErrorHandler h;
    return h;
}
} // namespace

void SetUnhandledErrorHandler(UnhandledErrorHandler h) { handler() = std::move(h); }

void ReportUnhandled(std::exception_ptr error)
{
    if (handler())
        handler()(error);
}
