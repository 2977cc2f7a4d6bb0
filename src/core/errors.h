// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace kt90 {

// Every failure of the system is an exception that carries its message text.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A set-position angle that the controller's four-digit field cannot carry.
class EAngleOutOfRange : public Error {
public:
    using Error::Error;
};

// A settings file that could not be written; it is left as it was. The
// message is the one the operator knows, the reason the system's.
class EUnableToWrite : public Error {
public:
    EUnableToWrite(const std::string& path, std::string reason)
        : Error("Unable to write to " + path), fReason(std::move(reason))
    {
    }
    const std::string& reason() const { return fReason; }

private:
    std::string fReason;
};

// The TCP client's read gave up waiting.
class ETcpReadTimeout : public Error {
public:
    ETcpReadTimeout() : Error("Read timed out.") {}
};

// A download ended with a reply that was not a block read reply.
class EInvalidDataReceivedException : public Error {
public:
    EInvalidDataReceivedException() : Error("No/invalid data received") {}
};

// A download ended without a reply in time.
class ETimeoutException : public Error {
public:
    ETimeoutException() : Error("Timeout") {}
};

} // namespace kt90
