// SPDX-License-Identifier: GPL-3.0-or-later
#include "kt90sim/simcontroller.h"
#include "kt90sim/simstream.h"

#include <gtest/gtest.h>

using namespace kt90;
using namespace kt90::sim;

namespace {

PositionReply where(SimController& c)
{
    const auto r = c.handle(statusCommand(), Transport::Serial);
    EXPECT_TRUE(r && r->size() == 12);
    return decodePositionReply(r->data());
}

} // namespace

TEST(SimController, AnswersEachCommandAsTheProtocolLists)
{
    struct Case {
        const char* name;
        Frame command;
        Transport transport;
        std::size_t replySize; // 0: no reply
    };
    const std::uint8_t one = 1;
    const Case cases[] = {
        {"status", statusCommand(), Transport::Serial, 12},
        {"stop", stopCommand(), Transport::Serial, 12},
        {"jog", jogCommand(0), Transport::Serial, 12},
        {"set outputs", setOutputsCommand(1), Transport::Serial, 12},
        {"outputs query", outputsQuery(), Transport::Serial, 2},
        {"block read", blockReadCommand(0), Transport::Serial, 498},
        {"block read past the block", blockReadCommand(1), Transport::Serial, 2},
        {"header", blockWriteHeader(1, 496), Transport::Serial, 12},
        {"data", blockDataPacket(&one, 1), Transport::Serial, 12},
        {"store", blockStoreCommand(), Transport::Serial, 12},
        {"set position over serial", setPositionCommand(10, 10, 10, 10), Transport::Serial, 0},
        {"set position over TCP", setPositionCommand(10, 10, 10, 10), Transport::Tcp, 12},
    };
    for (const auto& c : cases) {
        SimController ctl;
        const auto reply = ctl.handle(c.command, c.transport);
        EXPECT_EQ(reply ? reply->size() : 0u, c.replySize) << c.name;
        ASSERT_EQ(ctl.received().size(), 1u);
        EXPECT_EQ(ctl.received()[0], c.command);
    }
}

TEST(SimController, MovesTowardsTheSetPositionAtItsSpeed)
{
    SimSettings s;
    s.speed = 6;
    SimController ctl(s);
    ctl.handle(setPositionCommand(120, 10, 30, 10), Transport::Serial);
    ctl.advance(5000);
    EXPECT_NEAR(where(ctl).m1, 30.0, 1e-9);
    EXPECT_NEAR(where(ctl).m2, 30.0, 1e-9);
    ctl.advance(15000);
    EXPECT_NEAR(where(ctl).m1, 120.0, 1e-9);
    EXPECT_FALSE(ctl.moving());

    // 0000 leaves an axis where it is.
    ctl.handle(setPositionCommand(-360, 10, 10, 10), Transport::Serial);
    ctl.advance(60000);
    EXPECT_NEAR(where(ctl).m1, 120.0, 1e-9);
    EXPECT_NEAR(where(ctl).m2, 10.0, 1e-9);
}

TEST(SimController, StopHaltsWhereTheMotorsAre)
{
    SimController ctl;
    ctl.handle(setPositionCommand(100, 10, -360, 10), Transport::Serial);
    ctl.advance(1000);
    ctl.handle(stopCommand(), Transport::Serial);
    ctl.advance(10000);
    EXPECT_NEAR(where(ctl).m1, 6.0, 1e-9);
    EXPECT_FALSE(ctl.moving());
}

TEST(SimController, JogMovesWhileTheBitIsSetWithinTheLimits)
{
    SimController ctl; // default block: M2 within -15..195
    ctl.handle(jogCommand(kJogUp | kJogLeft), Transport::Serial);
    ctl.advance(2000);
    EXPECT_NEAR(where(ctl).m1, -12.0, 1e-9);
    EXPECT_NEAR(where(ctl).m2, 12.0, 1e-9);
    ctl.advance(100000);
    EXPECT_NEAR(where(ctl).m2, 195.0, 1e-9);
    ctl.handle(jogCommand(0), Transport::Serial);
    const double m1 = where(ctl).m1;
    ctl.advance(5000);
    EXPECT_NEAR(where(ctl).m1, m1, 1e-9);
    EXPECT_EQ(ctl.jogMask(), 0u);
}

TEST(SimController, OutputsAreSetAndReported)
{
    SimController ctl;
    ctl.handle(setOutputsCommand(0x25), Transport::Serial);
    EXPECT_EQ(*ctl.handle(outputsQuery(), Transport::Serial), (Frame{0x3F, 0x25}));
}

TEST(SimController, DownloadIsTheDefaultBlockWithPulsesFollowingTheAngles)
{
    SimSettings s;
    s.m1 = 45.0;
    s.m2 = -9.375;
    SimController ctl(s);
    const auto reply = ctl.handle(blockReadCommand(0), Transport::Serial);
    ASSERT_EQ(reply->size(), 498u);
    EXPECT_EQ((*reply)[0], 0x4F);
    EXPECT_EQ((*reply)[1], 0);
    TktFRAMParams got;
    std::copy(reply->begin() + 2, reply->end(), got.bytes.begin());
    TktFRAMParams expected;
    FillDefaults(expected);
    expected.setPulses(0, 480); // 45 / 0.09375
    expected.setPulses(1, -100);
    EXPECT_EQ(got, expected);
}

TEST(SimController, UploadReplacesTheBlockAfterTheStoreCommand)
{
    SimController ctl;
    TktFRAMParams b;
    FillDefaults(b);
    b.setU8(offs::az_show_math, 1);
    b.setU8(offs::pair_rotors, 1);

    auto accepted = [](const std::optional<Frame>& r, Command c) {
        return r && r->size() == 12 && (*r)[10] == static_cast<std::uint8_t>(c) && (*r)[1] == 0;
    };
    EXPECT_TRUE(
        accepted(ctl.handle(blockWriteHeader(1, 496), Transport::Tcp), Command::BlockWriteHeader));
    EXPECT_TRUE(accepted(ctl.handle(blockDataPacket(b.bytes.data(), 496), Transport::Tcp),
                         Command::BlockData));
    EXPECT_NE(ctl.block().u8(offs::az_show_math), 1) << "stored before the store command";
    EXPECT_TRUE(accepted(ctl.handle(blockStoreCommand(), Transport::Tcp), Command::BlockStore));
    EXPECT_EQ(ctl.block().u8(offs::az_show_math), 1);
    EXPECT_EQ(ctl.block().u8(offs::pair_rotors), 1);
}

TEST(SimController, UploadStepsOutOfOrderOrRefusedAreRefused)
{
    TktFRAMParams b;
    FillDefaults(b);
    b.setU8(offs::pair_rotors, 1);
    struct Case {
        const char* name;
        bool refuseAll;
        std::vector<Frame> steps;
    };
    const Case cases[] = {
        {"store without data", false, {blockWriteHeader(1, 496), blockStoreCommand()}},
        {"data without header", false, {blockDataPacket(b.bytes.data(), 496), blockStoreCommand()}},
        {"unknown type",
         false,
         {blockWriteHeader(2, 496), blockDataPacket(b.bytes.data(), 496), blockStoreCommand()}},
        {"refusing controller",
         true,
         {blockWriteHeader(1, 496), blockDataPacket(b.bytes.data(), 496), blockStoreCommand()}},
    };
    for (const auto& c : cases) {
        SimSettings s;
        s.refuseAcknowledgements = c.refuseAll;
        SimController ctl(s);
        std::optional<Frame> last;
        for (const auto& f : c.steps)
            last = ctl.handle(f, Transport::Serial);
        ASSERT_TRUE(last) << c.name;
        EXPECT_EQ((*last)[1], 1) << c.name;
        EXPECT_EQ(ctl.block().u8(offs::pair_rotors), 0) << c.name;
    }
}

// The stream: frames cut from bytes, and the fault modes.

namespace {

struct StreamFixture : ::testing::Test {
    SimController ctl;
    std::vector<std::uint8_t> sent;

    std::vector<Frame> run(SimStream& s, const std::vector<Frame>& pieces)
    {
        for (const auto& p : pieces)
            s.feed(p.data(), p.size());
        return s.takeDue();
    }
};

Frame join(const std::vector<Frame>& parts)
{
    Frame all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace

TEST_F(StreamFixture, CutsFramesFromAnyPiecesAndSkipsGarbage)
{
    SimStream s(ctl, Transport::Serial, {});
    const Frame status = statusCommand();
    const Frame outs = outputsQuery();
    Frame bytes = {0x41, 0x57, 0x42}; // garbage, with a false start
    bytes.insert(bytes.end(), status.begin(), status.end());
    bytes.insert(bytes.end(), outs.begin(), outs.end());
    std::vector<Frame> pieces;
    for (std::size_t i = 0; i < bytes.size(); i += 4)
        pieces.emplace_back(bytes.begin() + i, bytes.begin() + std::min(i + 4, bytes.size()));
    const auto out = run(s, pieces);
    ASSERT_EQ(ctl.received().size(), 2u);
    EXPECT_EQ(ctl.received()[0], status);
    EXPECT_EQ(ctl.received()[1], outs);
    EXPECT_EQ(join(out).size(), 14u);
}

TEST_F(StreamFixture, DataPacketInsideAnUpload)
{
    SimStream s(ctl, Transport::Serial, {});
    TktFRAMParams b;
    b.bytes.fill(0x57); // data full of "W" must not look like frames
    const auto out = run(
        s, {blockWriteHeader(1, 496), blockDataPacket(b.bytes.data(), 496), blockStoreCommand()});
    EXPECT_EQ(ctl.received().size(), 3u);
    ASSERT_EQ(out.size(), 3u);
    for (const auto& ack : out)
        EXPECT_EQ(ack[1], 0);
}

TEST_F(StreamFixture, FaultModes)
{
    const Frame reply = positionReply(0, 10, 0, 10);
    {
        SimFaults f;
        f.silent = true;
        SimStream s(ctl, Transport::Serial, f);
        EXPECT_TRUE(run(s, {statusCommand()}).empty());
        EXPECT_FALSE(s.nextDue());
    }
    {
        SimFaults f;
        f.delayMs = 300;
        SimStream s(ctl, Transport::Serial, f);
        EXPECT_TRUE(run(s, {statusCommand()}).empty());
        ctl.advance(299);
        EXPECT_TRUE(s.takeDue().empty());
        ctl.advance(1);
        EXPECT_EQ(join(s.takeDue()), reply);
    }
    {
        SimFaults f;
        f.pieces = {5, 4};
        f.pieceGapMs = 5;
        SimStream s(ctl, Transport::Serial, f);
        const auto first = run(s, {statusCommand()});
        ASSERT_EQ(first.size(), 1u);
        EXPECT_EQ(first[0].size(), 5u);
        ctl.advance(5);
        const auto second = s.takeDue();
        ASSERT_EQ(second.size(), 1u);
        EXPECT_EQ(second[0].size(), 4u);
        ctl.advance(5);
        const auto third = s.takeDue();
        ASSERT_EQ(third.size(), 1u);
        EXPECT_EQ(third[0].size(), 3u); // the last size repeats; 3 remain
        EXPECT_EQ(join({first[0], second[0], third[0]}), reply);
    }
    {
        SimFaults f;
        f.garbage = {0x41, 0x42, 0x43};
        SimStream s(ctl, Transport::Serial, f);
        EXPECT_EQ(join(run(s, {statusCommand()})), join({f.garbage, reply}));
    }
    {
        SimFaults f;
        f.closeAfter = 1;
        SimStream s(ctl, Transport::Tcp, f);
        EXPECT_EQ(join(run(s, {statusCommand()})), reply);
        EXPECT_FALSE(s.hungUp());
        EXPECT_TRUE(run(s, {statusCommand()}).empty());
        EXPECT_TRUE(s.hungUp());
    }
}
