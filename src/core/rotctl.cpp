// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/rotctl.h"

#include "core/frames.h"
#include "core/kt90.h"
#include "core/trackerline.h"

#include <charconv>
#include <sstream>
#include <vector>

namespace kt90 {

namespace {

using Kind = RotctlRequest::Kind;

struct Name {
    const char* shortName;
    const char* longName;
    Kind kind;
    int args;
};

// hamlib's rotator commands with the number of arguments each takes, so
// that a line of several is cut where rotctld cuts it.
const Name kNames[] = {
    {"p", "get_pos", Kind::GetPos, 0},
    {"P", "set_pos", Kind::SetPos, 2},
    {"S", "stop", Kind::Stop, 0},
    {"K", "park", Kind::Park, 0},
    {"M", "move", Kind::Move, 2},
    {"_", "get_info", Kind::GetInfo, 0},
    {nullptr, "dump_state", Kind::DumpState, 0},
    {"q", "quit", Kind::Quit, 0},
    {"R", "reset", Kind::NotImplemented, 1},
    {"V", "set_level", Kind::NotImplemented, 2},
    {"v", "get_level", Kind::NotImplemented, 1},
    {"U", "set_func", Kind::NotImplemented, 2},
    {"u", "get_func", Kind::NotImplemented, 1},
    {"X", "set_parm", Kind::NotImplemented, 2},
    {"x", "get_parm", Kind::NotImplemented, 1},
    {"C", "set_conf", Kind::NotImplemented, 2},
    {"s", "get_status", Kind::NotImplemented, 0},
    {"w", "send_cmd", Kind::NotImplemented, 1},
    {"1", "dump_caps", Kind::NotImplemented, 0},
    {"L", "lonlat2loc", Kind::NotImplemented, 3},
    {"l", "loc2lonlat", Kind::NotImplemented, 1},
    {"D", "dms2dec", Kind::NotImplemented, 4},
    {"d", "dec2dms", Kind::NotImplemented, 1},
    {"E", "dmmm2dec", Kind::NotImplemented, 3},
    {"e", "dec2dmmm", Kind::NotImplemented, 1},
    {"B", "qrb", Kind::NotImplemented, 4},
    {"A", "a_sp2a_lp", Kind::NotImplemented, 1},
    {"a", "d_sp2d_lp", Kind::NotImplemented, 1},
};

// Numbers with a point whatever the C library's locale.
std::string fixed(double v, int decimals)
{
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
    return std::string(text, r.ec == std::errc() ? r.ptr : text);
}

std::optional<double> number(std::string text)
{
    for (char& c : text)
        if (c == ',')
            c = '.';
    return StrToFloat(text);
}

} // namespace

std::vector<RotctlRequest> ParseRotctlLine(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;)
        words.push_back(w);
    std::vector<RotctlRequest> out;
    for (std::size_t i = 0; i < words.size();) {
        RotctlRequest r;
        std::string word = words[i++];
        if (word.size() > 1 && word[0] == '+') {
            r.extended = true;
            word = word.substr(1);
        }
        int args = 0;
        for (const auto& n : kNames) {
            if ((n.shortName && word == n.shortName) || word == std::string("\\") + n.longName) {
                r.kind = n.kind;
                r.name = n.longName;
                args = n.args;
                break;
            }
        }
        std::vector<std::string> given;
        for (; static_cast<int>(given.size()) < args && i < words.size(); ++i)
            given.push_back(words[i]);
        r.missingArgs = static_cast<int>(given.size()) < args;
        for (const std::string& a : given)
            r.args += (r.args.empty() ? "" : " ") + a;
        if (given.size() >= 1)
            r.a = number(given[0]);
        if (given.size() >= 2)
            r.b = number(given[1]);
        out.push_back(std::move(r));
    }
    return out;
}

RotatorAxes AxesOfKinds(std::uint8_t m1Kind, std::uint8_t m2Kind)
{
    const auto first = [&](std::uint8_t kind) {
        return m1Kind == kind ? 0 : m2Kind == kind ? 1 : -1;
    };
    return {first(kKindAzimuth), first(kKindElevation)};
}

std::uint32_t JogButton(int motor, bool up)
{
    if (motor == 0)
        return up ? kJogRight : kJogLeft;
    return up ? kJogUp : kJogDown;
}

std::optional<RotctlDirection> RotctlMoveDirection(int code)
{
    switch (code) {
    case 2:
        return RotctlDirection{true, true};
    case 4:
        return RotctlDirection{true, false};
    case 8:
        return RotctlDirection{false, false};
    case 16:
        return RotctlDirection{false, true};
    default:
        return std::nullopt;
    }
}

std::string RotctlPosition(const RotctlRequest& r, double az, double el)
{
    if (r.extended)
        return "get_pos:\nAzimuth: " + fixed(az, 2) + "\nElevation: " + fixed(el, 2) + "\nRPRT 0\n";
    return fixed(az, 2) + "\n" + fixed(el, 2) + "\n";
}

std::string RotctlReport(const RotctlRequest& r, int code)
{
    std::string out;
    if (r.extended && !r.name.empty())
        out = r.name + ":" + (r.args.empty() ? "" : " " + r.args) + "\n";
    return out + "RPRT " + std::to_string(code) + "\n";
}

std::string RotctlInfo(const RotctlRequest& r, const std::string& info)
{
    if (r.extended)
        return "get_info:\nInfo: " + info + "\nRPRT 0\n";
    return info + "\n";
}

std::string RotctlDumpState(double minAz, double maxAz, double minEl, double maxEl)
{
    return "1\n1\nmin_az=" + fixed(minAz, 6) + "\nmax_az=" + fixed(maxAz, 6) +
           "\nmin_el=" + fixed(minEl, 6) + "\nmax_el=" + fixed(maxEl, 6) +
           "\nsouth_zero=0\nrot_type=AzEl\ndone\n";
}

} // namespace kt90
