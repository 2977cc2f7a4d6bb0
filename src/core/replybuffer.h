// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The receive buffer of the link and its interpretation. Pure: it reports
// what a reply meant and the Qt layer acts on it (end of the wait, readouts).

#include "core/exchange.h"
#include "core/frames.h"
#include "core/kt90.h"

#include <array>
#include <cstdint>
#include <optional>

namespace kt90 {

struct ReceiveResult {
    enum class Kind {
        Incomplete,      // no reply complete yet; the exchange goes on
        Position,        // position reply: angles and resolution bytes
        Acknowledgement, // block transfer step answered
        Outputs,         // outputs reply: mask
        BlockChunk,      // block read reply copied into the configuration
        Invalid,         // long reply of an unknown kind or outside the block
    };
    Kind kind = Kind::Incomplete;
    // The state the exchange ends in (replied, or invalid or refused);
    // empty while it is still incomplete.
    std::optional<ExchangeState> endState;
    PositionReply position;
    bool accepted = false;
    std::uint8_t answered = 0; // the command byte an acknowledgement answers
    std::uint8_t outputs = 0;
    std::size_t blockOffset = 0;
    std::size_t blockLength = 0;
};

class ReplyBuffer {
public:
    static constexpr int kSize = 10024;

    const std::array<std::uint8_t, kSize>& fBuff() const { return buff; }
    int fPos() const { return pos; }
    int fWait() const { return wait; }
    bool fOldCmd() const { return oldCmd; }

    // Announces the reply of the next exchange: its length (0 on the serial
    // link for a 12-byte reply) and whether TCP awaits a 12-byte reply.
    void Expect(int replyLength, bool oldCmd);

    // Serial receipt: stores the bytes at fPos when they fit, else drops them
    // all and leaves the buffer as it was. Returns whether they were stored.
    bool Append(const std::uint8_t* data, int count);

    // The same in two steps, for a reader that writes into the buffer: room
    // for count bytes at fPos (null when they would not fit), then how many
    // were written there.
    std::uint8_t* tail(int count);
    void commit(int count);

    // TCP receipt of a whole reply. Leftovers of a malformed earlier reply are
    // discarded so that the reply sits at index 0, where the long-reply rule
    // wants it, and also forms the last bytes held, as the 12-byte rule wants.
    void PlaceReply(const std::uint8_t* data, int count);

    // Examines the bytes held and consumes a complete reply. A block read
    // reply is copied into `current`; one that would reach past the block is
    // invalid and writes nothing.
    ReceiveResult ProcessReceived(TktFRAMParams& current);

    // All zeros, nothing held, nothing awaited.
    void Clear();

private:
    ReceiveResult processLongReply(TktFRAMParams& current);
    ReceiveResult processShortReplies();

    std::array<std::uint8_t, kSize> buff{};
    int pos = 0;
    int wait = 0;
    bool oldCmd = false;
};

} // namespace kt90
