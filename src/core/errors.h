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

} // namespace kt90
