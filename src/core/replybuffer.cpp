// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/replybuffer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kt90 {

void ReplyBuffer::Expect(int replyLength, bool old)
{
    wait = replyLength;
    oldCmd = old;
}

bool ReplyBuffer::Append(const std::uint8_t* data, int count)
{
    std::uint8_t* into = tail(count);
    if (!into)
        return false;
    std::memcpy(into, data, static_cast<std::size_t>(count));
    commit(count);
    return true;
}

std::uint8_t* ReplyBuffer::tail(int count)
{
    if (count < 0 || count > kSize - pos)
        return nullptr;
    return buff.data() + pos;
}

void ReplyBuffer::commit(int count)
{
    if (count < 0 || count > kSize - pos)
        throw std::out_of_range("more bytes committed than the buffer holds");
    pos += count;
}

void ReplyBuffer::PlaceReply(const std::uint8_t* data, int count)
{
    if (count < 0 || count > kSize)
        throw std::length_error("reply longer than the receive buffer");
    std::memcpy(buff.data(), data, static_cast<std::size_t>(count));
    pos = count;
}

void ReplyBuffer::Clear()
{
    buff.fill(0);
    pos = 0;
    wait = 0;
    oldCmd = false;
}

ReceiveResult ReplyBuffer::ProcessReceived(TktFRAMParams& current)
{
    if (!oldCmd && wait > 0)
        return processLongReply(current);
    return processShortReplies();
}

ReceiveResult ReplyBuffer::processLongReply(TktFRAMParams& current)
{
    ReceiveResult r;
    if (pos < wait)
        return r;

    r.kind = ReceiveResult::Kind::Invalid;
    r.endState = ExchangeInvalid;
    if (wait >= 2 && buff[0] == kOutputsReplyTag) {
        r.kind = ReceiveResult::Kind::Outputs;
        r.outputs = buff[1];
        r.endState = ExchangeReplied;
    } else if (wait >= 2 && buff[0] == kBlockReadReplyTag) {
        const std::size_t offset = static_cast<std::size_t>(buff[1]) * kChunkSize;
        const std::size_t length = static_cast<std::size_t>(wait - 2);
        // A chunk number from the controller must not steer the copy outside
        // the block.
        if (offset <= kBlockSize && length <= kBlockSize - offset) {
            std::memcpy(current.bytes.data() + offset, buff.data() + 2, length);
            r.kind = ReceiveResult::Kind::BlockChunk;
            r.blockOffset = offset;
            r.blockLength = length;
            r.endState = ExchangeReplied;
        }
    }
    // Bytes beyond the awaited length go with the rest.
    wait = 0;
    pos = 0;
    return r;
}

ReceiveResult ReplyBuffer::processShortReplies()
{
    ReceiveResult r;
    if (pos >= static_cast<int>(kReplySize) && buff[pos - 1] == kFrameEnd &&
        buff[pos - kReplySize] == kFrameStart) {
        const std::uint8_t* reply = buff.data() + pos - kReplySize;
        if (isAcknowledgement(reply)) {
            r.kind = ReceiveResult::Kind::Acknowledgement;
            r.accepted = isAccepted(reply);
            r.answered = reply[10];
            r.endState = r.accepted ? ExchangeReplied : ExchangeInvalid;
        } else {
            r.kind = ReceiveResult::Kind::Position;
            r.position = decodePositionReply(reply);
            r.endState = ExchangeReplied;
        }
        buff.fill(0);
        pos = 0;
        return r;
    }

    // No reply complete: keep the bytes from the first "W" on. A "W" that has
    // 12 or more bytes behind it already failed to start a reply and never
    // can, so the search starts within the last 11 bytes; otherwise line
    // noise led by a "W" would fill the buffer and shut out every reply.
    const int from = std::max(0, pos - static_cast<int>(kReplySize) + 1);
    const auto begin = buff.begin() + from;
    const auto end = buff.begin() + pos;
    const auto w = std::find(begin, end, kFrameStart);
    if (w == end) {
        pos = 0;
    } else if (w != buff.begin()) {
        const int i = static_cast<int>(w - buff.begin());
        std::memmove(buff.data(), buff.data() + i, static_cast<std::size_t>(pos - i));
        pos -= i;
    }
    return r;
}

} // namespace kt90
