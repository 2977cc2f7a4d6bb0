// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/replybuffer.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kt90;
using Kind = ReceiveResult::Kind;

namespace {

const Frame kPosition = {0x57, 3, 7, 2, 5, 0x0A, 2, 7, 0, 0, 0x0A, 0x20};  // 12.5, -90.0
const Frame kPosition2 = {0x57, 3, 6, 0, 1, 0x0A, 3, 6, 0, 2, 0x0A, 0x20}; // 0.1, 0.2

class ReplyBufferTest : public ::testing::Test {
protected:
    ReplyBuffer rb;
    TktFRAMParams config;

    // One serial receive event followed by the interpretation.
    ReceiveResult receive(const Frame& bytes)
    {
        rb.Append(bytes.data(), static_cast<int>(bytes.size()));
        return rb.ProcessReceived(config);
    }

    Frame held() const { return Frame(rb.fBuff().begin(), rb.fBuff().begin() + rb.fPos()); }

    bool allZero() const
    {
        return std::all_of(rb.fBuff().begin(), rb.fBuff().end(), [](auto b) { return b == 0; });
    }
};

Frame cat(Frame a, const Frame& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST_F(ReplyBufferTest, ReplyInThreePiecesCompletesOnTheThird)
{
    EXPECT_EQ(receive(Frame(kPosition.begin(), kPosition.begin() + 5)).kind, Kind::Incomplete);
    EXPECT_EQ(rb.fPos(), 5);
    EXPECT_EQ(receive(Frame(kPosition.begin() + 5, kPosition.begin() + 9)).kind, Kind::Incomplete);
    const ReceiveResult r = receive(Frame(kPosition.begin() + 9, kPosition.end()));
    ASSERT_EQ(r.kind, Kind::Position);
    EXPECT_EQ(r.endState, ExchangeReplied);
    EXPECT_DOUBLE_EQ(r.position.m1, 12.5);
    EXPECT_DOUBLE_EQ(r.position.m2, -90.0);
    EXPECT_EQ(rb.fPos(), 0);
    EXPECT_TRUE(allZero());
}

TEST_F(ReplyBufferTest, IncompleteRepliesKeepBytesFromTheFirstW)
{
    struct Case {
        const char* name;
        Frame in;
        Frame kept;
    };
    const Case cases[] = {
        {"garbage before a partial reply", {0x41, 0x42, 0x57, 3, 7, 2}, {0x57, 3, 7, 2}},
        {"no W at all", {0x41, 0x42, 0x43}, {}},
        {"already starts with W", {0x57, 0x41, 0x42}, {0x57, 0x41, 0x42}},
        {"first of two W", {0x41, 0x57, 0x42, 0x57}, {0x57, 0x42, 0x57}},
        {"W then an end byte too early", {0x57, 0x20}, {0x57, 0x20}},
    };
    for (const auto& c : cases) {
        rb.Clear();
        EXPECT_EQ(receive(c.in).kind, Kind::Incomplete) << c.name;
        EXPECT_EQ(held(), c.kept) << c.name;
    }
}

TEST_F(ReplyBufferTest, GarbageBeforeAReplyIsDroppedWithIt)
{
    const ReceiveResult r = receive(cat({0x41, 0x42, 0x43}, kPosition));
    ASSERT_EQ(r.kind, Kind::Position);
    EXPECT_DOUBLE_EQ(r.position.m1, 12.5);
    EXPECT_EQ(rb.fPos(), 0);
    EXPECT_TRUE(allZero());
}

TEST_F(ReplyBufferTest, TwoRepliesInOnePieceOnlyTheSecondCounts)
{
    const ReceiveResult r = receive(cat(kPosition, kPosition2));
    ASSERT_EQ(r.kind, Kind::Position);
    EXPECT_DOUBLE_EQ(r.position.m1, 0.1);
    EXPECT_DOUBLE_EQ(r.position.m2, 0.2);
    EXPECT_EQ(rb.fPos(), 0);
}

TEST_F(ReplyBufferTest, Acknowledgements)
{
    struct Case {
        Frame reply;
        int endState;
        bool accepted;
    };
    const Case cases[] = {
        {{0x57, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF4, 0x20}, 0, true},
        {{0x57, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xF5, 0x20}, -2, false},
        {{0x57, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0xF6, 0x20}, -2, false},
    };
    for (const auto& c : cases) {
        const ReceiveResult r = receive(c.reply);
        EXPECT_EQ(r.kind, Kind::Acknowledgement);
        EXPECT_EQ(r.endState, c.endState);
        EXPECT_EQ(r.accepted, c.accepted);
        EXPECT_EQ(rb.fPos(), 0);
    }
    // Byte 10 outside F4..F6 makes a position reply, whatever byte 1 holds.
    const ReceiveResult r = receive({0x57, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xF3, 0x20});
    EXPECT_EQ(r.kind, Kind::Position);
    EXPECT_EQ(r.position.m2Gear, 0xF3);
}

TEST_F(ReplyBufferTest, ReceiptPastTheEndChangesNothing)
{
    Frame fill(ReplyBuffer::kSize - 4, 0x57); // all "W": none is dropped
    ASSERT_TRUE(rb.Append(fill.data(), static_cast<int>(fill.size())));
    const auto before = rb.fBuff();
    const Frame more = {1, 2, 3, 4, 5};
    EXPECT_FALSE(rb.Append(more.data(), 5));
    EXPECT_EQ(rb.fPos(), ReplyBuffer::kSize - 4);
    EXPECT_EQ(rb.fBuff(), before);
    const Frame exact = {1, 2, 3, 4};
    EXPECT_TRUE(rb.Append(exact.data(), 4));
    EXPECT_EQ(rb.fPos(), ReplyBuffer::kSize);
}

TEST_F(ReplyBufferTest, LineNoiseLedByAWCannotShutOutLaterReplies)
{
    Frame noise(300, 0x41);
    noise[0] = 0x57;
    for (int i = 0; i < 40; ++i) { // 12 000 bytes in all, more than the buffer holds
        EXPECT_EQ(receive(noise).kind, Kind::Incomplete);
        EXPECT_LT(rb.fPos(), 12);
    }
    const ReceiveResult r = receive(kPosition);
    ASSERT_EQ(r.kind, Kind::Position);
    EXPECT_DOUBLE_EQ(r.position.m1, 12.5);
}

TEST_F(ReplyBufferTest, ReplySplitAcrossAStaleW)
{
    // A stale "W" in front does not hide a reply that arrives in pieces.
    receive({0x57, 0x41});
    receive(Frame(kPosition.begin(), kPosition.begin() + 6));
    const ReceiveResult r = receive(Frame(kPosition.begin() + 6, kPosition.end()));
    EXPECT_EQ(r.kind, Kind::Position);
}

TEST_F(ReplyBufferTest, OutputsReply)
{
    rb.Expect(2, false);
    EXPECT_EQ(receive({0x3F}).kind, Kind::Incomplete);
    const ReceiveResult r = receive({0x05});
    ASSERT_EQ(r.kind, Kind::Outputs);
    EXPECT_EQ(r.outputs, 5);
    EXPECT_EQ(r.endState, ExchangeReplied);
    EXPECT_EQ(rb.fPos(), 0);
    EXPECT_EQ(rb.fWait(), 0);
}

TEST_F(ReplyBufferTest, LongReplyExtraBytesAreDropped)
{
    rb.Expect(2, false);
    const ReceiveResult r = receive({0x3F, 0x05, 0x07});
    EXPECT_EQ(r.outputs, 5);
    EXPECT_EQ(rb.fPos(), 0);
    // Afterwards the buffer is back to 12-byte replies.
    EXPECT_EQ(receive(kPosition).kind, Kind::Position);
}

TEST_F(ReplyBufferTest, LongReplyOfUnknownKindIsInvalid)
{
    rb.Expect(2, false);
    const ReceiveResult r = receive({0x57, 0x05});
    EXPECT_EQ(r.kind, Kind::Invalid);
    EXPECT_EQ(r.endState, ExchangeInvalid);
    EXPECT_EQ(rb.fPos(), 0);
    EXPECT_EQ(rb.fWait(), 0);
}

TEST_F(ReplyBufferTest, BlockReadReplyFillsTheConfiguration)
{
    Frame reply = {0x4F, 0};
    for (int i = 0; i < 496; ++i)
        reply.push_back(static_cast<std::uint8_t>(i * 3 + 1));
    rb.Expect(498, false);
    EXPECT_EQ(receive(Frame(reply.begin(), reply.begin() + 300)).kind, Kind::Incomplete);
    const ReceiveResult r = receive(Frame(reply.begin() + 300, reply.end()));
    ASSERT_EQ(r.kind, Kind::BlockChunk);
    EXPECT_EQ(r.endState, ExchangeReplied);
    EXPECT_EQ(r.blockOffset, 0u);
    EXPECT_EQ(r.blockLength, 496u);
    EXPECT_TRUE(std::equal(config.bytes.begin(), config.bytes.end(), reply.begin() + 2));
}

TEST_F(ReplyBufferTest, BlockReadReplyOutsideTheBlockWritesNothing)
{
    struct Case {
        const char* name;
        std::uint8_t chunk;
        int wait;
    };
    const Case cases[] = {
        {"chunk 1", 1, 498},
        {"chunk 255", 255, 498},
        {"too long for chunk 0", 0, 499},
        {"empty chunk past the end", 1, 2},
    };
    for (const auto& c : cases) {
        config.bytes.fill(0xEE);
        Frame reply(static_cast<std::size_t>(c.wait), 0x11);
        reply[0] = 0x4F;
        reply[1] = c.chunk;
        rb.Expect(c.wait, false);
        const ReceiveResult r = receive(reply);
        EXPECT_EQ(r.kind, Kind::Invalid) << c.name;
        EXPECT_EQ(r.endState, ExchangeInvalid) << c.name;
        EXPECT_TRUE(std::all_of(config.bytes.begin(), config.bytes.end(), [](auto b) {
            return b == 0xEE;
        })) << c.name;
        EXPECT_EQ(rb.fPos(), 0);
    }
}

TEST_F(ReplyBufferTest, BlockReplyStartingWithQuestionMarkIsAnOutputsReply)
{
    config.bytes.fill(0xEE);
    Frame reply(498, 0x11);
    reply[0] = 0x3F;
    reply[1] = 0x21;
    rb.Expect(498, false);
    const ReceiveResult r = receive(reply);
    EXPECT_EQ(r.kind, Kind::Outputs);
    EXPECT_EQ(r.outputs, 0x21);
    EXPECT_EQ(r.endState, ExchangeReplied);
    EXPECT_EQ(config.bytes[0], 0xEE);
}

TEST_F(ReplyBufferTest, TcpReplyIsPlacedAtTheStartOverLeftovers)
{
    // A malformed reply left bytes from its "W" on.
    receive({0x41, 0x57, 3, 7});
    ASSERT_EQ(rb.fPos(), 3);

    rb.Expect(12, true);
    rb.PlaceReply(kPosition.data(), 12);
    EXPECT_EQ(rb.fPos(), 12);
    EXPECT_EQ(rb.ProcessReceived(config).kind, Kind::Position);

    receive({0x57, 3, 7});
    rb.Expect(2, false);
    const Frame out = {0x3F, 0x09};
    rb.PlaceReply(out.data(), 2);
    const ReceiveResult r = rb.ProcessReceived(config);
    EXPECT_EQ(r.kind, Kind::Outputs);
    EXPECT_EQ(r.outputs, 9);
}

TEST_F(ReplyBufferTest, ProcessingWithNothingHeldDoesNothing)
{
    EXPECT_EQ(rb.ProcessReceived(config).kind, Kind::Incomplete);
    rb.Expect(498, false);
    EXPECT_EQ(rb.ProcessReceived(config).kind, Kind::Incomplete);
    EXPECT_FALSE(rb.ProcessReceived(config).endState.has_value());
}
