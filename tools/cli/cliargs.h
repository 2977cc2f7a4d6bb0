// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the programs without a window share on their command lines: whole
// numbers in a range, HOST[:PORT], and the version line.

#include <charconv>
#include <string>

namespace kt90::cli {

// Bad usage, with the reason; the program says it and exits 2.
struct Usage {
    std::string why;
};

// A decimal (or 0x hexadecimal) whole number in lo..hi.
inline long Integer(const std::string& opt, const std::string& text, long lo, long hi)
{
    long v = 0;
    int base = 10;
    const char* from = text.data();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        from += 2;
    }
    const auto r = std::from_chars(from, text.data() + text.size(), v, base);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || text.empty())
        throw Usage{opt + " wants a whole number, not \"" + text + "\""};
    if (v < lo || v > hi)
        throw Usage{opt + " must lie in " + std::to_string(lo) + ".." + std::to_string(hi)};
    return v;
}

struct HostPort {
    std::string host;
    unsigned short port;
};

// HOST[:PORT], the port defaultPort when not given.
inline HostPort ParseHostPort(const std::string& opt, const std::string& text,
                              unsigned short defaultPort)
{
    HostPort hp{text, defaultPort};
    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        hp.host = text.substr(0, colon);
        hp.port =
            static_cast<unsigned short>(Integer(opt + " port", text.substr(colon + 1), 1, 65535));
    }
    if (hp.host.empty())
        throw Usage{opt + " wants HOST[:PORT]"};
    return hp;
}

// "kt90ctl 2.0.6.0": the program and the project's version.
inline std::string VersionLine(const std::string& program)
{
    return program + " " + KT90_VERSION + "\n";
}

} // namespace kt90::cli
