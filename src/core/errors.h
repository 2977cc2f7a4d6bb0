#pragma once

#include <stdexcept>
#include <string>

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
