// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The commands of hamlib's network rotator protocol (what rotctld speaks):
// one or more on a line, each followed by its arguments, short or long
// names, an optional leading "+" for the extended answer form.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kt90 {

struct RotctlRequest {
    enum class Kind {
        GetPos,
        SetPos,
        Stop,
        Park,
        Move,
        GetInfo,
        DumpState,
        Quit,
        NotImplemented, // a rotator command this controller cannot carry out
        Unknown,        // no command of the protocol
    };
    Kind kind = Kind::Unknown;
    bool extended = false;
    std::string name;           // the long name, for the extended answer ("get_pos")
    std::string args;           // as given, for the extended echo
    std::optional<double> a, b; // the two numbers, a point or a comma as separator
    bool missingArgs = false;   // the line ended before all its arguments
};

// The commands of one line, in order; none for a blank line.
std::vector<RotctlRequest> ParseRotctlLine(const std::string& line);

// Hamlib's error numbers as the answers carry them.
constexpr int kRprtOk = 0;
constexpr int kRprtInvalid = -1;
constexpr int kRprtNotImplemented = -4;
constexpr int kRprtTimeout = -5;
constexpr int kRprtIo = -6;
constexpr int kRprtNotAvailable = -11;

// Which motor (0 or 1) hamlib's azimuth and elevation are: the motor of
// that kind, the first when both are; -1 when neither is.
struct RotatorAxes {
    int az = 0;
    int el = 1;
};
RotatorAxes AxesOfKinds(std::uint8_t m1Kind, std::uint8_t m2Kind);

// The jog button that moves a motor down or up, and hamlib's direction
// codes (UP 2, DOWN 4, LEFT 8, RIGHT 16) as the axis and sense they name.
std::uint32_t JogButton(int motor, bool up);
struct RotctlDirection {
    bool elevation = false;
    bool up = false;
};
std::optional<RotctlDirection> RotctlMoveDirection(int code);

// The answers, plain or extended, each whole so that it goes out in one
// write.
std::string RotctlPosition(const RotctlRequest& r, double az, double el);
std::string RotctlReport(const RotctlRequest& r, int code);
std::string RotctlInfo(const RotctlRequest& r, const std::string& info);
std::string RotctlDumpState(double minAz, double maxAz, double minEl, double maxEl);

} // namespace kt90
