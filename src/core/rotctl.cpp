#include "core/rotctl.h"

#include "core/trackerline.h"

#include <charconv>
#include <sstream>
#include <vector>

namespace kt90 {

namespace {

struct Name {
    const char* shortName;
    const char* longName;
    RotctlRequest::Kind kind;
};

const Name kNames[] = {
    {"p", "get_pos", RotctlRequest::Kind::GetPos},
    {"P", "set_pos", RotctlRequest::Kind::SetPos},
    {"S", "stop", RotctlRequest::Kind::Stop},
    {"K", "park", RotctlRequest::Kind::Park},
    {"M", "move", RotctlRequest::Kind::Move},
    {"_", "get_info", RotctlRequest::Kind::GetInfo},
    {nullptr, "dump_state", RotctlRequest::Kind::DumpState},
    {"q", "quit", RotctlRequest::Kind::Quit},
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

RotctlRequest ParseRotctl(const std::string& raw)
{
    RotctlRequest r;
    std::string line = raw;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    std::size_t at = line.find_first_not_of(' ');
    if (at == std::string::npos)
        return r;
    line = line.substr(at);
    if (line[0] == '+') {
        r.extended = true;
        line = line.substr(1);
    }
    std::istringstream in(line);
    std::string word;
    in >> word;
    std::vector<std::string> args;
    for (std::string a; in >> a;)
        args.push_back(a);
    const std::size_t argsAt = line.find_first_not_of(' ', word.size());
    r.args = argsAt == std::string::npos ? std::string() : line.substr(argsAt);

    r.kind = RotctlRequest::Kind::Unknown;
    for (const auto& n : kNames) {
        const bool isShort = n.shortName && word == n.shortName;
        const bool isLong = word == std::string("\\") + n.longName;
        if (isShort || isLong) {
            r.kind = n.kind;
            r.name = n.longName;
            break;
        }
    }
    if (args.size() >= 1)
        r.a = number(args[0]);
    if (args.size() >= 2)
        r.b = number(args[1]);
    return r;
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
