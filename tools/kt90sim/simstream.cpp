// SPDX-License-Identifier: GPL-3.0-or-later
#include "kt90sim/simstream.h"

#include <algorithm>

namespace kt90::sim {

namespace {
constexpr std::uint8_t kPacketStart = static_cast<std::uint8_t>(Command::BlockData);
constexpr std::size_t kMinPacket = 4;
constexpr std::size_t kMaxPacket = kMaxPacketData + 3;
} // namespace

SimStream::SimStream(SimController& controller, Transport t, const SimFaults& f, Log l)
    : ctl(controller), transport(t), faults(f), log(std::move(l))
{
}

void SimStream::feed(const std::uint8_t* data, std::size_t n)
{
    if (hangup)
        return;
    in.insert(in.end(), data, data + n);
    std::size_t at = 0;
    while (at < in.size() && !hangup) {
        const std::size_t left = in.size() - at;
        if (in[at] == kFrameStart) {
            if (left < kCommandSize)
                break;
            if (in[at + kCommandSize - 1] != kFrameEnd) {
                ++at; // not a frame: look for the next start
                continue;
            }
            frame(Frame(in.begin() + at, in.begin() + at + kCommandSize));
            at += kCommandSize;
        } else if (in[at] == kPacketStart) {
            if (left < 3)
                break;
            const std::size_t total = in[at + 1] | static_cast<std::size_t>(in[at + 2]) << 8;
            if (total < kMinPacket || total > kMaxPacket) {
                ++at;
                continue;
            }
            if (left < total)
                break;
            frame(Frame(in.begin() + at, in.begin() + at + total));
            at += total;
        } else {
            ++at; // garbage between frames
        }
    }
    in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(at));
    if (hangup)
        in.clear();
}

void SimStream::frame(const Frame& f)
{
    if (faults.closeAfter >= 0 && frames >= faults.closeAfter) {
        hangup = true;
        if (log)
            log("<- " + hex(f) + "  " + describeCommand(f) + " (hanging up)");
        return;
    }
    ++frames;
    const std::optional<Frame> reply = ctl.handle(f, transport);
    if (log)
        log("<- " + hex(f) + "  " + describeCommand(f));
    if (reply && !faults.silent)
        queue(*reply);
}

void SimStream::queue(const Frame& reply)
{
    Frame bytes = faults.garbage;
    bytes.insert(bytes.end(), reply.begin(), reply.end());
    if (log)
        log("-> " + hex(bytes) + "  " + describeReply(reply));

    std::uint64_t due = ctl.now() + faults.delayMs;
    if (!out.empty())
        due = std::max(due, out.back().due);
    std::size_t at = 0;
    std::size_t piece = 0;
    while (at < bytes.size()) {
        std::size_t n = bytes.size() - at;
        if (!faults.pieces.empty())
            n = std::min(n, std::max<std::size_t>(
                                1, faults.pieces[std::min(piece, faults.pieces.size() - 1)]));
        if (piece > 0)
            due += faults.pieceGapMs;
        out.push_back({due, Frame(bytes.begin() + at, bytes.begin() + at + n)});
        at += n;
        ++piece;
    }
}

std::vector<Frame> SimStream::takeDue()
{
    std::vector<Frame> due;
    while (!out.empty() && out.front().due <= ctl.now() && !hangup) {
        due.push_back(std::move(out.front().bytes));
        out.pop_front();
    }
    if (hangup)
        out.clear();
    return due;
}

std::optional<std::uint64_t> SimStream::nextDue() const
{
    if (out.empty())
        return std::nullopt;
    return out.front().due;
}

} // namespace kt90::sim
