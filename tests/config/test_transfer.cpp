#include "config/transfer.h"
#include "support/fakeui.h"
#include "support/linkfixture.h"

#include "core/errors.h"

using namespace kt90;
using Outcome = TConfigTransfer::UploadOutcome;

namespace {

TktFRAMParams defaultBlock()
{
    TktFRAMParams b;
    FillDefaults(b);
    return b;
}

// Answers one command kind with a reply of the test's choosing.
std::function<std::optional<Frame>(const Frame&)> replyTo(std::uint8_t command, Frame reply)
{
    return [command, reply](const Frame& f) -> std::optional<Frame> {
        const std::uint8_t kind = f.size() == 13 ? f[11] : f[0];
        if (kind == command)
            return reply;
        return std::nullopt;
    };
}

} // namespace

class Transfer : public LinkFixture, public ::testing::WithParamInterface<Via> {
protected:
    FakeUi ui;
    FakeEditor editor;
    std::unique_ptr<TConfigTransfer> transfer;

    void SetUp() override
    {
        LinkFixture::SetUp();
        transfer = std::make_unique<TConfigTransfer>(*link, ui);
    }
    bool linkOpen() const { return link->IsOpen(); }

    // A fresh controller, link and operator for the next case of a table.
    void restart()
    {
        TearDown();
        ctl = kt90::sim::SimController();
        faults = {};
        ui = FakeUi();
        editor = FakeEditor();
        SetUp();
    }

    // The download's error text, or "" when it succeeded.
    std::string downloadError()
    {
        try {
            link->ROTn_GetVars(true);
        } catch (const Error& e) {
            return e.what();
        }
        return {};
    }
};

TEST_P(Transfer, DownloadIsOneExchangeOf498Bytes)
{
    ctl.setAngle(0, 45.0);
    open(GetParam());
    EXPECT_EQ(downloadError(), "");
    EXPECT_EQ(received(), (std::vector<Frame>{blockReadCommand(0)}));
    TktFRAMParams expected = defaultBlock();
    expected.setPulses(0, 480);
    EXPECT_EQ(current, expected);
    EXPECT_TRUE(linkOpen());
    link->CalcAnglesAndShow();
    EXPECT_EQ(link->angleLine.Text(), "A1:  45.0  E2:   0.0");
}

TEST_P(Transfer, AnOutputsReplyCompletesTheDownloadWithoutAChange)
{
    Frame reply(498, 0x11);
    reply[0] = 0x3F;
    ctl.settings().replaceReply = replyTo(0x4F, reply);
    open(GetParam());
    current.bytes.fill(0x77);
    const TktFRAMParams before = current;
    EXPECT_EQ(downloadError(), "");
    EXPECT_EQ(current, before);
    EXPECT_EQ(link->fOuts(), 0x11);
}

TEST_P(Transfer, DownloadFailuresCloseTheLinkAndLeaveTheConfiguration)
{
    const bool pty = GetParam() == Via::Pty;
    Frame invalid(498, 0x00);
    invalid[0] = 0x57;
    Frame beyond(498, 0x22);
    beyond[0] = 0x4F;
    beyond[1] = 1; // data for chunk 1 lies outside the block
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string text;
    };
    const std::string sendError = "Command send error. Check settings and connections.";
    const Case cases[] = {
        {"silent controller", [this] { faults.silent = true; },
         pty ? sendError : "Read timed out."},
        {"reply of another kind", [&] { ctl.settings().replaceReply = replyTo(0x4F, invalid); },
         pty ? sendError : "No/invalid data received"},
        {"chunk outside the block", [&] { ctl.settings().replaceReply = replyTo(0x4F, beyond); },
         pty ? sendError : "No/invalid data received"},
    };
    for (const auto& c : cases) {
        restart();
        settings.timeout = 150;
        c.arrange();
        open(GetParam());
        current.bytes.fill(0x55);
        EXPECT_EQ(downloadError(), c.text) << c.name;
        EXPECT_FALSE(linkOpen()) << c.name;
        EXPECT_TRUE(std::all_of(current.bytes.begin(), current.bytes.end(), [](auto b) {
            return b == 0x55;
        })) << c.name;
    }
}

TEST_P(Transfer, DownloadOverAClosedLink)
{
    settings.serial = GetParam() == Via::Pty;
    EXPECT_EQ(downloadError(), "Command send error. Check settings and connections.");
    EXPECT_NO_THROW(link->ROTn_GetVars(false));
}

TEST_P(Transfer, UploadSendsHeaderPacketAndStore)
{
    open(GetParam());
    TktFRAMParams b = defaultBlock();
    b.setU8(offs::pair_rotors, 1);
    EXPECT_EQ(transfer->ROTn_PutData(b.bytes.data(), 1, 496), Outcome::Stored);
    const auto got = received();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], blockWriteHeader(1, 496));
    EXPECT_EQ(got[1].size(), 499u);
    EXPECT_EQ(got[1], blockDataPacket(b.bytes.data(), 496));
    EXPECT_EQ(got[2], blockStoreCommand());
    EXPECT_EQ(ui.boxes, QStringList{"info: Upload successful."});
    EXPECT_EQ(ui.busy, 0);
    EXPECT_EQ(ui.busyPeak, 1);
    EXPECT_EQ(server->locked([](auto& c) { return c.block().u8(offs::pair_rotors); }), 1);
}

TEST_P(Transfer, RefusedUploadStepsStopWithTheirBox)
{
    struct Case {
        std::uint8_t refused;
        Outcome outcome;
        std::size_t framesSent;
        QStringList boxes;
    };
    const Case cases[] = {
        {0xF4, Outcome::HeaderFailed, 1, {"error: Initialization of upload data failed."}},
        {0xF5, Outcome::DataFailed, 2, {"error: Upload data failed."}},
        // A store that failed is not also reported as a success.
        {0xF6, Outcome::StoreFailed, 3, {"error: Save uploaded data to device failed."}},
    };
    const TktFRAMParams b = defaultBlock();
    for (const auto& c : cases) {
        restart();
        ctl.settings().replaceReply =
            replyTo(c.refused, acknowledgement(static_cast<Command>(c.refused), false));
        open(GetParam());
        EXPECT_EQ(transfer->ROTn_PutData(b.bytes.data(), 1, 496), c.outcome);
        EXPECT_EQ(received().size(), c.framesSent);
        EXPECT_EQ(ui.boxes, c.boxes);
        EXPECT_EQ(ui.busy, 0);
    }
}

// A reply that ends the wait but is not the step's own acknowledgement (a
// position reply that came late for a poll, another step's acknowledgement)
// does not take the step.
TEST_P(Transfer, AStepAnsweredByAnotherReplyIsNotTaken)
{
    struct Case {
        std::uint8_t step;
        Frame reply;
        Outcome outcome;
        QStringList boxes;
    };
    const Case cases[] = {
        {0xF4,
         positionReply(12.3, 10, 4.5, 10),
         Outcome::HeaderFailed,
         {"error: Initialization of upload data failed."}},
        {0xF4,
         acknowledgement(Command::BlockStore, true),
         Outcome::HeaderFailed,
         {"error: Initialization of upload data failed."}},
        {0xF5,
         acknowledgement(Command::BlockWriteHeader, true),
         Outcome::DataFailed,
         {"error: Upload data failed."}},
        {0xF6,
         positionReply(0, 10, 0, 10),
         Outcome::StoreFailed,
         {"error: Save uploaded data to device failed."}},
        {0xF6,
         acknowledgement(Command::BlockData, true),
         Outcome::StoreFailed,
         {"error: Save uploaded data to device failed."}},
    };
    const TktFRAMParams b = defaultBlock();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << std::hex << int(c.step));
        restart();
        ctl.settings().replaceReply = replyTo(c.step, c.reply);
        open(GetParam());
        EXPECT_EQ(transfer->ROTn_PutData(b.bytes.data(), 1, 496), c.outcome);
        EXPECT_EQ(ui.boxes, c.boxes);
    }
}

TEST_P(Transfer, UploadArgumentsOutOfRangeSendNothing)
{
    open(GetParam());
    const std::uint8_t data[2049] = {};
    EXPECT_EQ(transfer->ROTn_PutData(nullptr, 1, 496), Outcome::NotSent);
    EXPECT_EQ(transfer->ROTn_PutData(data, 0, 496), Outcome::NotSent);
    EXPECT_EQ(transfer->ROTn_PutData(data, 1000, 496), Outcome::NotSent);
    EXPECT_EQ(transfer->ROTn_PutData(data, 1, 0), Outcome::NotSent);
    EXPECT_EQ(transfer->ROTn_PutData(data, 1, 2049), Outcome::NotSent);
    EXPECT_TRUE(ui.boxes.isEmpty());
    EXPECT_EQ(ui.busy, 0);
    server->advance(10);
    EXPECT_TRUE(received().empty());
}

TEST_P(Transfer, LongUploadGoesIn512BytePackets)
{
    ctl.settings().replaceReply = [](const Frame& f) -> std::optional<Frame> {
        if (f.size() == 13 && f[11] == 0xF4)
            return acknowledgement(Command::BlockWriteHeader, true);
        return std::nullopt;
    };
    open(GetParam());
    std::vector<std::uint8_t> data(1100, 0x5A);
    transfer->ROTn_PutData(data.data(), 7, 1100);
    const auto got = received();
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0], blockWriteHeader(7, 1100));
    EXPECT_EQ(got[1].size(), 515u); // the simulator refuses the packets of a type it lacks
}

TEST_P(Transfer, OperatorUploadAnsweredNoSendsNothingAndKeepsTheConfiguration)
{
    open(GetParam());
    ui.answer = false;
    editor.setKT90Options(defaultBlock());
    current.bytes.fill(0x31);
    const TktFRAMParams before = current;
    transfer->UploadToDevice(editor);
    EXPECT_EQ(ui.questions, QStringList{"Upload options to device. Are you sure?"});
    EXPECT_EQ(current, before);
    EXPECT_EQ(editor.applied, 0);
    EXPECT_FALSE(link->DisableRefresh());
    EXPECT_TRUE(link->tmrRefresh.isActive());
    server->advance(10);
    EXPECT_TRUE(received().empty());
}

TEST_P(Transfer, OperatorUploadCopiesTheEditorBlockOnlyOnceTheDataWasTaken)
{
    struct Case {
        std::optional<std::uint8_t> refused;
        bool copied;
    };
    const Case cases[] = {{std::nullopt, true}, {0xF6, true}, {0xF5, false}, {0xF4, false}};
    for (const auto& c : cases) {
        restart();
        if (c.refused)
            ctl.settings().replaceReply =
                replyTo(*c.refused, acknowledgement(static_cast<Command>(*c.refused), false));
        open(GetParam());
        TktFRAMParams edited = defaultBlock();
        edited.setU8(offs::az_show_math, 1);
        editor.setKT90Options(edited);
        current.bytes.fill(0x31);
        transfer->UploadToDevice(editor);
        EXPECT_EQ(editor.applied, 1);
        EXPECT_EQ(current == edited, c.copied) << (c.refused ? int(*c.refused) : 0);
        EXPECT_FALSE(link->DisableRefresh());
        EXPECT_EQ(ui.busy, 0);
    }
}

TEST_P(Transfer, OperatorDownloadHandsTheBlockToTheEditor)
{
    ctl.setAngle(1, 30.0);
    open(GetParam());
    transfer->DownloadFromDevice(editor);
    EXPECT_EQ(ui.questions, QStringList{"Download options from device. Are you sure?"});
    TktFRAMParams expected = defaultBlock();
    expected.setPulses(1, 320); // 30 / 0.09375
    EXPECT_EQ(editor.KT90Options(), expected);
    EXPECT_EQ(current, expected);
    EXPECT_EQ(link->angleLine.Text(), "A1:   0.0  E2:  30.0");
    EXPECT_TRUE(link->tmrRefresh.isActive());
    EXPECT_EQ(ui.busy, 0);
}

TEST_P(Transfer, OperatorDownloadOverAClosedLinkShowsNothing)
{
    settings.serial = GetParam() == Via::Pty;
    current.bytes.fill(0x42);
    transfer->DownloadFromDevice(editor);
    EXPECT_TRUE(ui.boxes.isEmpty());
    EXPECT_EQ(editor.KT90Options(), current);
    EXPECT_FALSE(link->DisableRefresh());
}

INSTANTIATE_TEST_SUITE_P(Config, Transfer, ::testing::Values(Via::Pty, Via::Tcp),
                         [](const auto& info) { return viaName(info.param); });

TEST_F(LinkFixture, AnErrorInsideAnUploadStillResumesThePoll)
{
    faults.silent = true;
    settings.timeout = 100;
    open(Via::Tcp);
    FakeUi ui;
    FakeEditor editor;
    TConfigTransfer transfer(*link, ui);
    current.bytes.fill(0x31);
    const TktFRAMParams before = current;
    EXPECT_THROW(transfer.UploadToDevice(editor), ETcpReadTimeout);
    EXPECT_FALSE(link->DisableRefresh());
    EXPECT_TRUE(link->tmrRefresh.isActive());
    EXPECT_EQ(current, before);
    EXPECT_TRUE(ui.boxes.isEmpty());
    EXPECT_EQ(ui.busy, 0);
}

TEST_F(LinkFixture, PauseWaitsForTheRunningPollToEnd)
{
    clock = kt90::sim::Clock::Real;
    open(Via::Tcp);
    settings.pooling = 30;
    link->tmrRefresh.setInterval(30);
    link->tmrRefresh.start();
    link->PauseRefresh();
    EXPECT_FALSE(link->tmrRefresh.isActive());
    EXPECT_TRUE(link->DisableRefresh());
    // The cycle that ran during the pause sent the status command only.
    EXPECT_EQ(received(), (std::vector<Frame>{statusCommand()}));
    link->ResumeRefresh();
    EXPECT_TRUE(link->tmrRefresh.isActive());
}
