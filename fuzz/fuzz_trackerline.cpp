// SPDX-License-Identifier: GPL-3.0-or-later
// The tracker line parser on any text.

#include "core/errors.h"
#include "core/trackerline.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    kt90::TSatData record;
    std::string aos;
    if (kt90::ParseString(line, record, aos)) {
        try {
            kt90::TrackerPositionCommand(record);
        } catch (const kt90::EAngleOutOfRange&) {
            // refused, as angles beyond four digits are
        }
    }
    kt90::FormatAngleValue(record.azm, ',');
    kt90::FormatFrequency(record.upf);
    return 0;
}
