#pragma once

// The commands of hamlib's network rotator protocol (what rotctld speaks):
// one per line, short or long names, an optional leading "+" for the
// extended answer form.

#include <optional>
#include <string>

namespace kt90 {

struct RotctlRequest {
    enum class Kind { Empty, GetPos, SetPos, Stop, Park, Move, GetInfo, DumpState, Quit, Unknown };
    Kind kind = Kind::Empty;
    bool extended = false;
    std::string name;           // the long name, for the extended answer ("get_pos")
    std::string args;           // as given, for the extended echo
    std::optional<double> a, b; // the two numbers, a point or a comma as separator
};

RotctlRequest ParseRotctl(const std::string& line);

// Hamlib's error numbers as the answers carry them.
constexpr int kRprtOk = 0;
constexpr int kRprtInvalid = -1;
constexpr int kRprtNotImplemented = -4;
constexpr int kRprtTimeout = -5;
constexpr int kRprtIo = -6;

// The answers, plain or extended, each whole so that it goes out in one
// write.
std::string RotctlPosition(const RotctlRequest& r, double az, double el);
std::string RotctlReport(const RotctlRequest& r, int code);
std::string RotctlInfo(const RotctlRequest& r, const std::string& info);
std::string RotctlDumpState(double minAz, double maxAz, double minEl, double maxEl);

} // namespace kt90
