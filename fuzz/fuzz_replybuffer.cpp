// SPDX-License-Identifier: GPL-3.0-or-later
// The receive buffer fed arbitrary bytes in arbitrary pieces, with replies
// of either length expected: nothing may be read or written outside the
// buffer or the block, and the fill count stays within bounds.

#include "core/replybuffer.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kt90::ReplyBuffer rb;
    kt90::TktFRAMParams block;
    std::size_t at = 0;
    while (at < size) {
        // One control byte: the piece length and what the next exchange awaits.
        const std::uint8_t control = data[at++];
        switch (control & 0x3) {
        case 0:
            rb.Expect(0, false);
            break;
        case 1:
            rb.Expect(2, false);
            break;
        case 2:
            rb.Expect(498, false);
            break;
        default:
            rb.Expect(12, true);
            break;
        }
        const std::size_t piece = std::min<std::size_t>(control >> 2, size - at);
        rb.Append(data + at, static_cast<int>(piece));
        at += piece;
        rb.ProcessReceived(block);
        if (rb.fPos() < 0 || rb.fPos() > kt90::ReplyBuffer::kSize)
            std::abort();
    }
    return 0;
}
