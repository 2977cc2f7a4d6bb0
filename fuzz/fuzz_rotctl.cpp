// SPDX-License-Identifier: GPL-3.0-or-later
// hamlib rotator command lines of any content, and the answers to them.

#include "core/rotctl.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    for (const kt90::RotctlRequest& r : kt90::ParseRotctlLine(line)) {
        kt90::RotctlReport(r, 0);
        kt90::RotctlPosition(r, r.a.value_or(0), r.b.value_or(0));
        kt90::RotctlInfo(r, "NORVAK KT-90");
    }
    return 0;
}
