// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Replacing a file's contents all at once: the bytes go to a new file in the
// same directory, which is renamed over the target only when every byte is
// written and synced. A failure leaves the target as it was. A temporary
// file that a writer killed mid-write left behind is removed by the next
// write of the same target.

#include <cstddef>
#include <string>

namespace kt90 {

// Throws kt90::Error with the system's text.
void WriteFileAtomically(const std::string& path, const void* data, std::size_t size);

} // namespace kt90
