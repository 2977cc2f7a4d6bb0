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

// Raises the error of an exchange that did not bring a good reply: the
// time-out and the invalid reply their own ("Timeout", "No/invalid data
// received"), and one that ended with no reply at all the send error.
[[noreturn]] void ThrowExchangeError(ExchangeState state);

// "Command send error. Check settings and connections.": the command could
// not be sent, or brought nothing the caller could use.
[[noreturn]] void ThrowSendError();

} // namespace kt90
