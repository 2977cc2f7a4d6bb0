// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How one command-and-reply exchange with the controller stands, and the
// error a failed one reports.

namespace kt90 {

// The values are those the controller's own tools use.
enum ExchangeState : int {
    ExchangeReplied = 0,   // a good reply ended it (or it is not yet begun)
    ExchangeBusy = 1,      // a reply is awaited
    ExchangeTimedOut = -1, // no complete reply within the time-out
    ExchangeInvalid = -2,  // an invalid reply, or a refused acknowledgement
};

// The slowest line rate a controller may be reached at, a serial-to-Ethernet
// bridge included; a TCP reply is given the time its bytes need at it on
// top of the time-out.
constexpr int kSlowestLineRate = 600;

// Milliseconds that count bytes need on a serial line at baud (8N1: ten
// bits a byte), rounded up.
constexpr int WireTimeMs(int count, int baud) { return (count * 10 * 1000 + baud - 1) / baud; }

// Raises the error of an exchange that did not bring a good reply: the
// time-out and the invalid reply their own ("Timeout", "No/invalid data
// received"), and one that ended with no reply at all the send error.
[[noreturn]] void ThrowExchangeError(ExchangeState state);

// "Command send error. Check settings and connections.": the command could
// not be sent, or brought nothing the caller could use.
[[noreturn]] void ThrowSendError();

} // namespace kt90
