// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace kt90 {

// "major.minor", then a letter for the release when release or build is not
// zero: 96 + release, so 2.0.6.0 reads "2.0f" and 2.0.0.0 "2.0".
std::string VersionText(unsigned major, unsigned minor, unsigned release, unsigned build);

} // namespace kt90
