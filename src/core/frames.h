// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The controller's wire protocol: the command frames the panel sends and the
// replies it understands, with the angle arithmetic in both directions.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kt90 {

using Frame = std::vector<std::uint8_t>;

constexpr std::uint8_t kFrameStart = 0x57; // "W"
constexpr std::uint8_t kFrameEnd = 0x20;
constexpr std::size_t kCommandSize = 13;
constexpr std::size_t kReplySize = 12;

// Command byte, index 11 of a command frame.
enum class Command : std::uint8_t {
    Status = 0x1F,
    Stop = 0x0F,
    SetPosition = 0x2F,
    Jog = 0x14,
    OutputsQuery = 0x3F,
    SetOutputs = 0xF3,
    BlockRead = 0x4F,
    BlockWriteHeader = 0xF4,
    BlockData = 0xF5,
    BlockStore = 0xF6,
};

constexpr std::uint8_t kOutputsReplyTag = 0x3F;   // "?"
constexpr std::uint8_t kBlockReadReplyTag = 0x4F; // "O"
constexpr std::size_t kOutputsReplySize = 2;
constexpr std::size_t kChunkSize = 512;
constexpr std::size_t kMaxPacketData = 512;

// Jog mask bits (argument byte 1 of the jog command).
constexpr std::uint32_t kJogLeft = 1;
constexpr std::uint32_t kJogRight = 2;
constexpr std::uint32_t kJogUp = 4;
constexpr std::uint32_t kJogDown = 8;

// The command byte of a frame the panel sends: index 11 of a 13-byte frame,
// the first byte of a block data packet.
std::uint8_t commandByte(const Frame& frame);

// A 13-byte frame "W", args[0..9], command, 0x20.
Frame commandFrame(Command command, const std::uint8_t (&args)[10]);

Frame statusCommand();
Frame stopCommand();
Frame jogCommand(std::uint32_t buttons);
Frame outputsQuery();
Frame setOutputsCommand(std::uint8_t mask);
Frame blockReadCommand(std::uint8_t chunk);
Frame blockStoreCommand();

// The block types and byte counts a block write header can carry.
constexpr int kMaxBlockType = 999;
constexpr int kMaxBlockCount = 2048;
constexpr bool BlockTypeFits(int type) { return type >= 1 && type <= kMaxBlockType; }
constexpr bool BlockCountFits(int count) { return count >= 1 && count <= kMaxBlockCount; }

// "W|%.3d|%.4d|" then 0xF4 0x20. Throws std::out_of_range unless the type
// and the count fit.
Frame blockWriteHeader(int type, int count);

// 0xF5, total length n + 3 little-endian, the n data bytes. Throws
// std::out_of_range unless 1 <= n <= 512.
Frame blockDataPacket(const std::uint8_t* data, std::size_t n);

// The set-position value of one axis: (angle + 360) x resolution in extended
// precision, rounded to nearest with halves to even. Throws EAngleOutOfRange
// when the value does not fit the four digits 0000..9999 of the frame.
long setPositionValue(double angle, int resolution);

// "W", four M1 digits, the M1 resolution byte, four M2 digits, the M2
// resolution byte, "/", 0x20. The resolution is both the factor and the byte
// sent. An axis given -360 yields 0000 and is left untouched. Throws
// EAngleOutOfRange (and builds nothing) when either axis does not fit.
Frame setPositionCommand(double m1, int m1Resolution, double m2, int m2Resolution);

// A tracker's set-position command (the tracker conversation, a hamlib
// client): resolution 10 on both axes, whatever the controller reports.
constexpr int kTrackerResolution = 10;
Frame TrackerSetPosition(double m1, double m2);

// The largest value the four digits of a set-position axis carry, and the
// angles that makes at the tracker's resolution (-360 itself would leave
// the axis where it is).
constexpr long kSetPositionMaxValue = 9999;
constexpr double kTrackerLowestAngle = -360.0 + 1.0 / kTrackerResolution;
constexpr double kTrackerHighestAngle =
    static_cast<double>(kSetPositionMaxValue) / kTrackerResolution - 360.0;

// True for a 13-byte frame with the set-position command byte; such a frame
// gets no reply on the serial link.
bool isSetPositionCommand(const Frame& frame);

// One motor's angle from the reply digits d1..d4 (raw values, not ASCII):
// 100*d1 + 10*d2 + d3 + d4/10 - 360, evaluated in extended precision.
double decodeAngle(std::uint8_t d1, std::uint8_t d2, std::uint8_t d3, std::uint8_t d4);

struct PositionReply {
    double m1 = 0;
    double m2 = 0;
    std::uint8_t m1Gear = 0;
    std::uint8_t m2Gear = 0;
};

// r points at 12 bytes.
bool isReplyFrame(const std::uint8_t* r);
bool isAcknowledgement(const std::uint8_t* r);
bool isAccepted(const std::uint8_t* r);
PositionReply decodePositionReply(const std::uint8_t* r);

// The controller's side of the protocol, for the simulator and for tests.
// A position reply carries tenths of (angle + 360), clamped to 0..9999.
Frame positionReply(double m1, std::uint8_t m1Gear, double m2, std::uint8_t m2Gear);
Frame acknowledgement(Command answered, bool accepted);
Frame outputsReply(std::uint8_t mask);
Frame blockReadReply(std::uint8_t chunk, const std::uint8_t* data, std::size_t n);

} // namespace kt90
