// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/versiontext.h"

namespace kt90 {

std::string VersionText(unsigned major, unsigned minor, unsigned release, unsigned build)
{
    std::string text = std::to_string(major) + "." + std::to_string(minor);
    if (release * 65536u + build != 0)
        text += static_cast<char>(96 + release);
    return text;
}

} // namespace kt90
