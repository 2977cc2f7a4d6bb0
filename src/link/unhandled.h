// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Errors must not travel through Qt's signal machinery. Slots run their work
// through Guarded(), which hands whatever escapes to the program-wide
// handler (the main window sounds the alert; the default does nothing).

#include <exception>
#include <functional>

using UnhandledErrorHandler = std::function<void(std::exception_ptr)>;

void SetUnhandledErrorHandler(UnhandledErrorHandler handler);
void ReportUnhandled(std::exception_ptr error);

template <class F> void Guarded(F&& work) noexcept
{
    try {
        work();
    } catch (...) {
        ReportUnhandled(std::current_exception());
    }
}
