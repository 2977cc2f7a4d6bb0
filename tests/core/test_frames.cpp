// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/errors.h"
#include "core/frames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace kt90;

namespace {

// Every expected frame below is written out by hand from the protocol table,
// not produced by the code under test.
struct FrameCase {
    const char* name;
    Frame built;
    Frame expected;
};

std::vector<std::uint8_t> block496()
{
    std::vector<std::uint8_t> b(496);
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<std::uint8_t>(i * 7);
    return b;
}

} // namespace

TEST(Frames, CommandTable)
{
    const FrameCase cases[] = {
        {"status", statusCommand(), {0x57, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1F, 0x20}},
        {"stop", stopCommand(), {0x57, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0F, 0x20}},
        {"jog up", jogCommand(kJogUp), {0x57, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x14, 0x20}},
        {"jog released", jogCommand(0), {0x57, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x14, 0x20}},
        {"jog sends the low byte only",
         jogCommand(0x105),
         {0x57, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x14, 0x20}},
        {"outputs query", outputsQuery(), {0x57, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x3F, 0x20}},
        {"set outputs",
         setOutputsCommand(0x2A),
         {0x57, 0x2A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF3, 0x20}},
        {"block read", blockReadCommand(0), {0x57, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x4F, 0x20}},
        {"block read chunk 3",
         blockReadCommand(3),
         {0x57, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x4F, 0x20}},
        {"block store", blockStoreCommand(), {0x57, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF6, 0x20}},
        {"header 1/496",
         blockWriteHeader(1, 496),
         {0x57, 0x7C, 0x30, 0x30, 0x31, 0x7C, 0x30, 0x34, 0x39, 0x36, 0x7C, 0xF4, 0x20}},
        {"header 999/2048",
         blockWriteHeader(999, 2048),
         {0x57, 0x7C, 0x39, 0x39, 0x39, 0x7C, 0x32, 0x30, 0x34, 0x38, 0x7C, 0xF4, 0x20}},
        {"set position 359.9/179.9",
         setPositionCommand(359.9, 10, 179.9, 10),
         {0x57, 0x37, 0x31, 0x39, 0x39, 0x0A, 0x35, 0x33, 0x39, 0x39, 0x0A, 0x2F, 0x20}},
        {"set position 12.5/untouched",
         setPositionCommand(12.5, 10, -360, 10),
         {0x57, 0x33, 0x37, 0x32, 0x35, 0x0A, 0x30, 0x30, 0x30, 0x30, 0x0A, 0x2F, 0x20}},
        {"set position 123.4 from the overview",
         setPositionCommand(123.4, 10, -360, 10),
         {0x57, 0x34, 0x38, 0x33, 0x34, 0x0A, 0x30, 0x30, 0x30, 0x30, 0x0A, 0x2F, 0x20}},
        {"set position carries each resolution byte",
         setPositionCommand(0, 2, 0, 5),
         {0x57, 0x30, 0x37, 0x32, 0x30, 0x02, 0x31, 0x38, 0x30, 0x30, 0x05, 0x2F, 0x20}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.built, c.expected) << c.name;
}

TEST(Frames, DataPacketCarriesLengthAndData)
{
    const auto data = block496();
    const Frame p = blockDataPacket(data.data(), data.size());
    ASSERT_EQ(p.size(), 499u);
    EXPECT_EQ(p[0], 0xF5);
    EXPECT_EQ(p[1], 0xF3);
    EXPECT_EQ(p[2], 0x01);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), p.begin() + 3));

    const std::uint8_t one = 0x57;
    EXPECT_EQ(blockDataPacket(&one, 1), (Frame{0xF5, 0x04, 0x00, 0x57}));
    const std::vector<std::uint8_t> full(512, 0xAA);
    EXPECT_EQ(blockDataPacket(full.data(), full.size()).size(), 515u);
}

TEST(Frames, OutOfRangeTransferArgumentsBuildNothing)
{
    const std::uint8_t b[600] = {};
    EXPECT_THROW(blockWriteHeader(0, 496), std::out_of_range);
    EXPECT_THROW(blockWriteHeader(1000, 496), std::out_of_range);
    EXPECT_THROW(blockWriteHeader(1, 0), std::out_of_range);
    EXPECT_THROW(blockWriteHeader(1, 2049), std::out_of_range);
    EXPECT_THROW(blockDataPacket(b, 0), std::out_of_range);
    EXPECT_THROW(blockDataPacket(b, 513), std::out_of_range);
}

TEST(Frames, SetPositionValueRounding)
{
    struct Case {
        double angle;
        int resolution;
        long value;
    };
    const Case cases[] = {
        {0.25, 10, 3602}, // halves go to the even neighbour
        {0.75, 10, 3608},
        {0.25, 2, 720},
        {0.75, 2, 722},
        {-360, 10, 0},
        {-360, 2, 0},
        {359.9, 10, 7199},
        {179.9, 10, 5399},
        {639.9, 10, 9999},
        {0, 1, 360},
        // The exact product lies just off the half; only a wider format than
        // double sees which side (checked with exact rational arithmetic).
        {-257.05, 10, 1029},
        {-256.95, 10, 1031},
        {-255.65, 10, 1043},
    };
    for (const auto& c : cases)
        EXPECT_EQ(setPositionValue(c.angle, c.resolution), c.value)
            << c.angle << " at resolution " << c.resolution;
}

TEST(Frames, SetPositionOutsideFourDigitsIsRefused)
{
    struct Case {
        double angle;
        int resolution;
    };
    const Case cases[] = {
        {700, 10},    // would be 10600, five digits
        {640, 10},    // 10000
        {-360.5, 10}, // would be -5
        {-361, 10},
        {0, 100}, // 36000 at a fine resolution
        {std::numeric_limits<double>::quiet_NaN(), 10},
        {std::numeric_limits<double>::infinity(), 10},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(setPositionValue(c.angle, c.resolution), EAngleOutOfRange) << c.angle;
        EXPECT_THROW(setPositionCommand(0, 10, c.angle, c.resolution), EAngleOutOfRange) << c.angle;
        EXPECT_THROW(setPositionCommand(c.angle, c.resolution, 0, 10), EAngleOutOfRange) << c.angle;
    }
    // The largest and smallest angles that still fit are accepted.
    EXPECT_EQ(setPositionValue(639.94, 10), 9999);
    EXPECT_EQ(setPositionValue(-359.96, 10), 0);
}

TEST(Frames, RefusalNamesTheAngle)
{
    try {
        setPositionCommand(700, 10, 0, 10);
        FAIL() << "no error";
    } catch (const EAngleOutOfRange& e) {
        EXPECT_NE(std::string(e.what()).find("700"), std::string::npos) << e.what();
    }
}

TEST(Frames, IsSetPositionCommand)
{
    EXPECT_TRUE(isSetPositionCommand(setPositionCommand(1, 10, 2, 10)));
    EXPECT_FALSE(isSetPositionCommand(statusCommand()));
    Frame longer = setPositionCommand(1, 10, 2, 10);
    longer.insert(longer.begin() + 1, '1');
    EXPECT_FALSE(isSetPositionCommand(longer));
}

TEST(Frames, DecodeReplies)
{
    const Frame pos = {0x57, 3, 7, 2, 5, 0x0A, 2, 7, 0, 0, 0x0A, 0x20};
    ASSERT_TRUE(isReplyFrame(pos.data()));
    EXPECT_FALSE(isAcknowledgement(pos.data()));
    const PositionReply p = decodePositionReply(pos.data());
    EXPECT_DOUBLE_EQ(p.m1, 12.5);
    EXPECT_DOUBLE_EQ(p.m2, -90.0);
    EXPECT_EQ(p.m1Gear, 10);
    EXPECT_EQ(p.m2Gear, 10);

    struct AckCase {
        Frame reply;
        bool ack;
        bool accepted;
    };
    const AckCase acks[] = {
        {{0x57, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF4, 0x20}, true, true},
        {{0x57, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xF5, 0x20}, true, false},
        {{0x57, 0, 9, 9, 9, 9, 9, 9, 9, 9, 0xF6, 0x20}, true, true},
        {{0x57, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF3, 0x20}, false, true},
        {{0x57, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7, 0x20}, false, true},
    };
    for (const auto& a : acks) {
        EXPECT_TRUE(isReplyFrame(a.reply.data()));
        EXPECT_EQ(isAcknowledgement(a.reply.data()), a.ack) << int(a.reply[10]);
        if (a.ack) {
            EXPECT_EQ(isAccepted(a.reply.data()), a.accepted);
        }
    }
    const Frame notReply = {0x57, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x21};
    EXPECT_FALSE(isReplyFrame(notReply.data()));
}

TEST(Frames, DecodeAngleRange)
{
    struct Case {
        std::uint8_t d[4];
        double angle;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, -360.0}, {{9, 9, 9, 9}, 639.9}, {{3, 6, 0, 0}, 0.0},
        {{3, 6, 0, 1}, 0.1},    {{7, 1, 9, 9}, 359.9}, {{0, 0, 0, 5}, -359.5},
    };
    for (const auto& c : cases) {
        // The value the extended-precision sum rounds to as a double.
        const long double ext = static_cast<long double>(c.d[3]) / 10.0L +
                                (100 * c.d[0] + 10 * c.d[1] + c.d[2]) - 360.0L;
        const double got = decodeAngle(c.d[0], c.d[1], c.d[2], c.d[3]);
        EXPECT_EQ(got, static_cast<double>(ext));
        EXPECT_NEAR(got, c.angle, 1e-9);
    }
}

TEST(Frames, ControllerSideReplies)
{
    // The simulator's replies, checked against the decoder and by hand.
    EXPECT_EQ(positionReply(12.5, 10, -90, 10),
              (Frame{0x57, 3, 7, 2, 5, 0x0A, 2, 7, 0, 0, 0x0A, 0x20}));
    EXPECT_EQ(positionReply(-1000, 10, 5000, 10),
              (Frame{0x57, 0, 0, 0, 0, 0x0A, 9, 9, 9, 9, 0x0A, 0x20}));
    EXPECT_EQ(acknowledgement(Command::BlockData, false),
              (Frame{0x57, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xF5, 0x20}));
    EXPECT_EQ(outputsReply(5), (Frame{0x3F, 5}));
    const std::uint8_t d[3] = {1, 2, 3};
    EXPECT_EQ(blockReadReply(0, d, 3), (Frame{0x4F, 0, 1, 2, 3}));
}
