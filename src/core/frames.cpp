// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/frames.h"

#include "core/errors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace kt90 {

Frame commandFrame(Command command, const std::uint8_t (&args)[10])
{
    Frame f;
    f.reserve(kCommandSize);
    f.push_back(kFrameStart);
    f.insert(f.end(), std::begin(args), std::end(args));
    f.push_back(static_cast<std::uint8_t>(command));
    f.push_back(kFrameEnd);
    return f;
}

namespace {

Frame withFirstArgument(Command command, std::uint8_t arg)
{
    const std::uint8_t args[10] = {arg};
    return commandFrame(command, args);
}

void appendFourDigits(Frame& f, long value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%.4ld", value);
    f.insert(f.end(), text, text + 4);
}

} // namespace

Frame statusCommand() { return withFirstArgument(Command::Status, 0); }
Frame stopCommand() { return withFirstArgument(Command::Stop, 0); }
Frame jogCommand(std::uint32_t buttons)
{
    return withFirstArgument(Command::Jog, static_cast<std::uint8_t>(buttons & 0xFF));
}
Frame outputsQuery() { return withFirstArgument(Command::OutputsQuery, 0); }
Frame setOutputsCommand(std::uint8_t mask) { return withFirstArgument(Command::SetOutputs, mask); }
Frame blockReadCommand(std::uint8_t chunk) { return withFirstArgument(Command::BlockRead, chunk); }
Frame blockStoreCommand() { return withFirstArgument(Command::BlockStore, 0); }

Frame blockWriteHeader(int type, int count)
{
    if (!BlockTypeFits(type))
        throw std::out_of_range("block type " + std::to_string(type) + " is outside 1.." +
                                std::to_string(kMaxBlockType));
    if (!BlockCountFits(count))
        throw std::out_of_range("byte count " + std::to_string(count) + " is outside 1.." +
                                std::to_string(kMaxBlockCount));
    char text[16];
    std::snprintf(text, sizeof text, "W|%.3d|%.4d|", type, count);
    Frame f(text, text + 11);
    f.push_back(static_cast<std::uint8_t>(Command::BlockWriteHeader));
    f.push_back(kFrameEnd);
    return f;
}

Frame blockDataPacket(const std::uint8_t* data, std::size_t n)
{
    if (n < 1 || n > kMaxPacketData)
        throw std::out_of_range("data packet of " + std::to_string(n) + " bytes is outside 1..512");
    const std::size_t total = n + 3;
    Frame f;
    f.reserve(total);
    f.push_back(static_cast<std::uint8_t>(Command::BlockData));
    f.push_back(static_cast<std::uint8_t>(total & 0xFF));
    f.push_back(static_cast<std::uint8_t>(total >> 8));
    f.insert(f.end(), data, data + n);
    return f;
}

long setPositionValue(double angle, int resolution)
{
    // Extended precision keeps the decimal fraction of the angle exact enough
    // for the halfway cases to come out as the controller expects them;
    // nearbyint rounds halves to even in the default rounding mode.
    const long double scaled =
        (static_cast<long double>(angle) + 360.0L) * static_cast<long double>(resolution);
    const long double rounded = std::nearbyint(scaled);
    // A value outside four digits would lengthen the frame or put a minus sign
    // in it, and the controller would lose step with the frames that follow.
    // The negated test also refuses NaN.
    if (!(rounded >= 0.0L && rounded <= static_cast<long double>(kSetPositionMaxValue))) {
        char text[96];
        std::snprintf(text, sizeof text,
                      "The angle %g is out of the controller's range at resolution %d.", angle,
                      resolution);
        throw EAngleOutOfRange(text);
    }
    return static_cast<long>(rounded);
}

Frame setPositionCommand(double m1, int m1Resolution, double m2, int m2Resolution)
{
    const long v1 = setPositionValue(m1, m1Resolution);
    const long v2 = setPositionValue(m2, m2Resolution);
    Frame f;
    f.reserve(kCommandSize);
    f.push_back(kFrameStart);
    appendFourDigits(f, v1);
    f.push_back(static_cast<std::uint8_t>(m1Resolution));
    appendFourDigits(f, v2);
    f.push_back(static_cast<std::uint8_t>(m2Resolution));
    f.push_back(static_cast<std::uint8_t>(Command::SetPosition));
    f.push_back(kFrameEnd);
    return f;
}

Frame TrackerSetPosition(double m1, double m2)
{
    return setPositionCommand(m1, kTrackerResolution, m2, kTrackerResolution);
}

bool isSetPositionCommand(const Frame& frame)
{
    return frame.size() == kCommandSize &&
           frame[11] == static_cast<std::uint8_t>(Command::SetPosition);
}

double decodeAngle(std::uint8_t d1, std::uint8_t d2, std::uint8_t d3, std::uint8_t d4)
{
    long double angle = static_cast<long double>(d4) / 10.0L;
    angle += static_cast<long double>(100 * d1 + 10 * d2 + d3);
    angle -= 360.0L;
    return static_cast<double>(angle);
}

bool isReplyFrame(const std::uint8_t* r) { return r[0] == kFrameStart && r[11] == kFrameEnd; }

bool isAcknowledgement(const std::uint8_t* r)
{
    return r[10] == static_cast<std::uint8_t>(Command::BlockWriteHeader) ||
           r[10] == static_cast<std::uint8_t>(Command::BlockData) ||
           r[10] == static_cast<std::uint8_t>(Command::BlockStore);
}

bool isAccepted(const std::uint8_t* r) { return r[1] == 0x00; }

std::uint8_t commandByte(const Frame& frame)
{
    if (frame.size() == kCommandSize)
        return frame[11];
    return frame.empty() ? 0 : frame[0];
}

PositionReply decodePositionReply(const std::uint8_t* r)
{
    PositionReply p;
    p.m1 = decodeAngle(r[1], r[2], r[3], r[4]);
    p.m1Gear = r[5];
    p.m2 = decodeAngle(r[6], r[7], r[8], r[9]);
    p.m2Gear = r[10];
    return p;
}

namespace {

void appendAngleDigits(Frame& f, double angle)
{
    double tenths = std::nearbyint((angle + 360.0) * 10.0);
    if (!(tenths >= 0.0))
        tenths = 0.0;
    if (tenths > 9999.0)
        tenths = 9999.0;
    const int v = static_cast<int>(tenths);
    f.push_back(static_cast<std::uint8_t>(v / 1000));
    f.push_back(static_cast<std::uint8_t>(v / 100 % 10));
    f.push_back(static_cast<std::uint8_t>(v / 10 % 10));
    f.push_back(static_cast<std::uint8_t>(v % 10));
}

} // namespace

Frame positionReply(double m1, std::uint8_t m1Gear, double m2, std::uint8_t m2Gear)
{
    Frame f;
    f.reserve(kReplySize);
    f.push_back(kFrameStart);
    appendAngleDigits(f, m1);
    f.push_back(m1Gear);
    appendAngleDigits(f, m2);
    f.push_back(m2Gear);
    f.push_back(kFrameEnd);
    return f;
}

Frame acknowledgement(Command answered, bool accepted)
{
    Frame f(kReplySize, 0x00);
    f[0] = kFrameStart;
    f[1] = accepted ? 0x00 : 0x01;
    f[10] = static_cast<std::uint8_t>(answered);
    f[11] = kFrameEnd;
    return f;
}

Frame outputsReply(std::uint8_t mask) { return Frame{kOutputsReplyTag, mask}; }

Frame blockReadReply(std::uint8_t chunk, const std::uint8_t* data, std::size_t n)
{
    // Made at its full size at once: growing a two-byte vector by the data
    // gives g++ 12 at -O3 a (false) array-bounds warning.
    Frame f(2 + n);
    f[0] = kBlockReadReplyTag;
    f[1] = chunk;
    std::copy(data, data + n, f.begin() + 2);
    return f;
}

} // namespace kt90
