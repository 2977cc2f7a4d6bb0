// SPDX-License-Identifier: GPL-3.0-or-later
#include "kt90sim/simcontroller.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace kt90::sim {

namespace {

constexpr double kLowest = -360.0; // what four reply digits can carry
constexpr double kHighest = 639.9;

std::uint8_t cmdByte(Command c) { return static_cast<std::uint8_t>(c); }

// Four ASCII digits at f[at..at+3]; empty when any is not a digit.
std::optional<long> asciiDigits(const Frame& f, std::size_t at)
{
    long v = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        if (f[i] < '0' || f[i] > '9')
            return std::nullopt;
        v = v * 10 + (f[i] - '0');
    }
    return v;
}

} // namespace

SimController::SimController(const SimSettings& settings)
    : cfg(settings), angles{settings.m1, settings.m2}, targets{settings.m1, settings.m2}
{
    FillDefaults(stored);
}

void SimController::setAngle(std::size_t motor, double a)
{
    angles[motor] = a;
    targets[motor] = a;
}

bool SimController::moving() const
{
    return jog != 0 || angles[0] != targets[0] || angles[1] != targets[1];
}

double SimController::lowLimit(std::size_t m) const
{
    const float lo = stored.f32(TktFRAMParams::motorField(m, offs::motorRec::min_angle));
    const float hi = stored.f32(TktFRAMParams::motorField(m, offs::motorRec::max_angle));
    return lo < hi ? std::max<double>(lo, kLowest) : kLowest;
}

double SimController::highLimit(std::size_t m) const
{
    const float lo = stored.f32(TktFRAMParams::motorField(m, offs::motorRec::min_angle));
    const float hi = stored.f32(TktFRAMParams::motorField(m, offs::motorRec::max_angle));
    return lo < hi ? std::min<double>(hi, kHighest) : kHighest;
}

void SimController::advance(std::uint64_t ms)
{
    nowMs += ms;
    const double step = cfg.speed * static_cast<double>(ms) / 1000.0;
    const std::uint32_t minus[2] = {kJogLeft, kJogDown};
    const std::uint32_t plus[2] = {kJogRight, kJogUp};
    for (std::size_t m = 0; m < 2; ++m) {
        const bool down = (jog & minus[m]) != 0;
        const bool up = (jog & plus[m]) != 0;
        if (down != up)
            targets[m] = up ? highLimit(m) : lowLimit(m);
        else if (down && up)
            targets[m] = angles[m];
        const double d = targets[m] - angles[m];
        angles[m] = std::abs(d) <= step ? targets[m] : angles[m] + std::copysign(step, d);
    }
}

Frame SimController::position() const
{
    return positionReply(angles[0], cfg.m1Gear, angles[1], cfg.m2Gear);
}

Frame SimController::ack(Command answered, bool ok) const
{
    return acknowledgement(answered, ok && !cfg.refuseAcknowledgements);
}

void SimController::setPosition(const Frame& f)
{
    const std::size_t digitsAt[2] = {1, 6};
    const std::size_t resolutionAt[2] = {5, 10};
    for (std::size_t m = 0; m < 2; ++m) {
        const auto v = asciiDigits(f, digitsAt[m]);
        const int r = f[resolutionAt[m]];
        // 0000 is the axis that is not to be moved.
        if (!v || *v == 0 || r == 0)
            continue;
        const double a = static_cast<double>(*v) / r - 360.0;
        targets[m] = std::clamp(a, lowLimit(m), highLimit(m));
    }
    jog = 0;
}

void SimController::jogTo(std::uint32_t mask)
{
    if (mask == 0 && jog != 0) {
        targets[0] = angles[0];
        targets[1] = angles[1];
    }
    jog = mask & 0x0F;
}

std::optional<Frame> SimController::header(const Frame& f)
{
    // "W|ttt|cccc|"
    const std::string text(f.begin(), f.begin() + 11);
    int type = 0;
    int count = 0;
    char tail = 0;
    const bool parsed = std::sscanf(text.c_str(), "W|%3d|%4d%c", &type, &count, &tail) == 3 &&
                        text[1] == '|' && text[5] == '|' && tail == '|';
    uploading = parsed && type == 1 && count == static_cast<int>(kBlockSize);
    uploadCount = uploading ? static_cast<std::size_t>(count) : 0;
    pending.clear();
    return ack(Command::BlockWriteHeader, uploading);
}

std::optional<Frame> SimController::data(const Frame& f)
{
    const std::size_t n = f.size() - 3;
    const bool ok = uploading && pending.size() + n <= uploadCount;
    if (ok)
        pending.insert(pending.end(), f.begin() + 3, f.end());
    else
        uploading = false;
    return ack(Command::BlockData, ok);
}

std::optional<Frame> SimController::store()
{
    const bool ok = uploading && pending.size() == uploadCount && !cfg.refuseAcknowledgements;
    if (ok)
        std::copy(pending.begin(), pending.end(), stored.bytes.begin());
    uploading = false;
    pending.clear();
    return ack(Command::BlockStore, ok);
}

TktFRAMParams SimController::block() const
{
    TktFRAMParams b = stored;
    for (std::size_t m = 0; m < 2; ++m) {
        const float g = b.gear(m);
        const double p = g != 0.0f ? std::nearbyint(angles[m] / g) : 0.0;
        b.setPulses(m, static_cast<std::int32_t>(std::clamp(p, -2.0e9, 2.0e9)));
    }
    return b;
}

std::optional<Frame> SimController::handle(const Frame& f, Transport transport)
{
    log.push_back(f);
    logTimes.push_back(nowMs);
    std::optional<Frame> reply = answer(f, transport);
    if (cfg.replaceReply)
        if (auto other = cfg.replaceReply(f))
            return other;
    return reply;
}

std::optional<Frame> SimController::answer(const Frame& f, Transport transport)
{
    if (!f.empty() && f[0] == cmdByte(Command::BlockData))
        return data(f);
    if (f.size() != kCommandSize)
        return std::nullopt;

    switch (static_cast<Command>(f[11])) {
    case Command::Status:
        return position();
    case Command::Stop:
        jog = 0;
        targets[0] = angles[0];
        targets[1] = angles[1];
        return position();
    case Command::SetPosition:
        setPosition(f);
        if (transport == Transport::Serial)
            return std::nullopt;
        return position();
    case Command::Jog:
        jogTo(f[1]);
        return position();
    case Command::OutputsQuery:
        return outputsReply(outs);
    case Command::SetOutputs:
        outs = f[1] & 0x3F;
        return position();
    case Command::BlockRead: {
        const std::size_t from = static_cast<std::size_t>(f[1]) * kChunkSize;
        const std::size_t n = from < kBlockSize ? std::min(kChunkSize, kBlockSize - from) : 0;
        const TktFRAMParams b = block();
        return blockReadReply(f[1], b.bytes.data() + std::min(from, kBlockSize), n);
    }
    case Command::BlockWriteHeader:
        return header(f);
    case Command::BlockStore:
        return store();
    default:
        return position();
    }
}

std::string hex(const Frame& f, std::size_t max)
{
    std::string s;
    char b[4];
    for (std::size_t i = 0; i < f.size() && i < max; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", f[i]);
        s += b;
    }
    if (f.size() > max)
        s += " ... (" + std::to_string(f.size()) + " bytes)";
    return s;
}

std::string describeCommand(const Frame& f)
{
    if (!f.empty() && f[0] == cmdByte(Command::BlockData))
        return "block data packet, " + std::to_string(f.size() - 3) + " bytes";
    if (f.size() != kCommandSize)
        return "unknown frame";
    switch (static_cast<Command>(f[11])) {
    case Command::Status:
        return "status";
    case Command::Stop:
        return "stop";
    case Command::SetPosition:
        return "set position " + std::string(f.begin() + 1, f.begin() + 5) + " " +
               std::string(f.begin() + 6, f.begin() + 10);
    case Command::Jog:
        return "jog mask " + std::to_string(f[1]);
    case Command::OutputsQuery:
        return "outputs query";
    case Command::SetOutputs:
        return "set outputs " + std::to_string(f[1]);
    case Command::BlockRead:
        return "block read chunk " + std::to_string(f[1]);
    case Command::BlockWriteHeader:
        return "block write header " + std::string(f.begin(), f.begin() + 11);
    case Command::BlockStore:
        return "block store";
    default:
        return "unknown command";
    }
}

std::string describeReply(const Frame& f)
{
    if (f.size() == kReplySize && isReplyFrame(f.data())) {
        if (isAcknowledgement(f.data()))
            return isAccepted(f.data()) ? "accepted" : "refused";
        const PositionReply p = decodePositionReply(f.data());
        char text[64];
        std::snprintf(text, sizeof text, "position M1 %.1f M2 %.1f", p.m1, p.m2);
        return text;
    }
    if (f.size() == kOutputsReplySize && f[0] == kOutputsReplyTag)
        return "outputs " + std::to_string(f[1]);
    if (f.size() >= 2 && f[0] == kBlockReadReplyTag)
        return "block chunk " + std::to_string(f[1]) + ", " + std::to_string(f.size() - 2) +
               " bytes";
    return "reply";
}

} // namespace kt90::sim
