// SPDX-License-Identifier: GPL-3.0-or-later
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

class TransferBase : public LinkFixture {
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

class Transfer : public TransferBase, public ::testing::WithParamInterface<Via> {};

// One case of a table on one transport, with a controller of its own.
template <class Case>
class TransferCase : public TransferBase,
                     public ::testing::WithParamInterface<std::tuple<Via, Case>> {
protected:
    Via via() const { return std::get<0>(this->GetParam()); }
    const Case& param() const { return std::get<1>(this->GetParam()); }
};

// "pty_headerRefused": the transport and the case's name.
struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<std::tuple<Via, Case>>& info) const
    {
        return std::string(viaName(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name;
    }
};

const auto kBothTransports = ::testing::Values(Via::Pty, Via::Tcp);

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

struct DownloadFailure {
    const char* name;
    enum { Silent, OtherKind, OutsideTheBlock } fault;
    const char* tcpText; // on the serial link every failure is a send error
};

using DownloadFailures = TransferCase<DownloadFailure>;

TEST_P(DownloadFailures, CloseTheLinkAndLeaveTheConfiguration)
{
    Frame invalid(498, 0x00);
    invalid[0] = 0x57;
    Frame beyond(498, 0x22);
    beyond[0] = 0x4F;
    beyond[1] = 1; // data for chunk 1 lies outside the block
    const DownloadFailure& c = param();
    settings.timeout = 150;
    if (c.fault == DownloadFailure::Silent)
        faults.silent = true;
    else
        ctl.settings().replaceReply =
            replyTo(0x4F, c.fault == DownloadFailure::OtherKind ? invalid : beyond);
    open(via());
    current.bytes.fill(0x55);
    EXPECT_EQ(downloadError(), via() == Via::Pty
                                   ? "Command send error. Check settings and connections."
                                   : c.tcpText);
    EXPECT_FALSE(linkOpen());
    EXPECT_TRUE(
        std::all_of(current.bytes.begin(), current.bytes.end(), [](auto b) { return b == 0x55; }));
}

INSTANTIATE_TEST_SUITE_P(
    Config, DownloadFailures,
    ::testing::Combine(
        kBothTransports,
        ::testing::Values(DownloadFailure{"silentController", DownloadFailure::Silent,
                                          "Read timed out."},
                          DownloadFailure{"replyOfAnotherKind", DownloadFailure::OtherKind,
                                          "No/invalid data received"},
                          DownloadFailure{"chunkOutsideTheBlock", DownloadFailure::OutsideTheBlock,
                                          "No/invalid data received"})),
    CaseName());

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

struct RefusedStep {
    const char* name;
    std::uint8_t refused;
    Outcome outcome;
    std::size_t framesSent;
    QStringList boxes;
};

using RefusedUploadSteps = TransferCase<RefusedStep>;

TEST_P(RefusedUploadSteps, StopWithTheirBox)
{
    const RefusedStep& c = param();
    const TktFRAMParams b = defaultBlock();
    ctl.settings().replaceReply =
        replyTo(c.refused, acknowledgement(static_cast<Command>(c.refused), false));
    open(via());
    EXPECT_EQ(transfer->ROTn_PutData(b.bytes.data(), 1, 496), c.outcome);
    EXPECT_EQ(received().size(), c.framesSent);
    EXPECT_EQ(ui.boxes, c.boxes);
    EXPECT_EQ(ui.busy, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Config, RefusedUploadSteps,
    ::testing::Combine(
        kBothTransports,
        ::testing::Values(RefusedStep{"header",
                                      0xF4,
                                      Outcome::HeaderFailed,
                                      1,
                                      {"error: Initialization of upload data failed."}},
                          RefusedStep{
                              "data", 0xF5, Outcome::DataFailed, 2, {"error: Upload data failed."}},
                          // A store that failed is not also reported as a success.
                          RefusedStep{"store",
                                      0xF6,
                                      Outcome::StoreFailed,
                                      3,
                                      {"error: Save uploaded data to device failed."}})),
    CaseName());

// A reply that ends the wait but is not the step's own acknowledgement (a
// position reply that came late for a poll, another step's acknowledgement)
// does not take the step.
struct OtherReply {
    const char* name;
    std::uint8_t step;
    Frame reply;
    Outcome outcome;
    QStringList boxes;
};

using AStepAnsweredByAnotherReply = TransferCase<OtherReply>;

TEST_P(AStepAnsweredByAnotherReply, IsNotTaken)
{
    const OtherReply& c = param();
    const TktFRAMParams b = defaultBlock();
    ctl.settings().replaceReply = replyTo(c.step, c.reply);
    open(via());
    EXPECT_EQ(transfer->ROTn_PutData(b.bytes.data(), 1, 496), c.outcome);
    EXPECT_EQ(ui.boxes, c.boxes);
}

INSTANTIATE_TEST_SUITE_P(
    Config, AStepAnsweredByAnotherReply,
    ::testing::Combine(
        kBothTransports,
        ::testing::Values(OtherReply{"headerByAPosition",
                                     0xF4,
                                     positionReply(12.3, 10, 4.5, 10),
                                     Outcome::HeaderFailed,
                                     {"error: Initialization of upload data failed."}},
                          OtherReply{"headerByTheStoresAck",
                                     0xF4,
                                     acknowledgement(Command::BlockStore, true),
                                     Outcome::HeaderFailed,
                                     {"error: Initialization of upload data failed."}},
                          OtherReply{"dataByTheHeadersAck",
                                     0xF5,
                                     acknowledgement(Command::BlockWriteHeader, true),
                                     Outcome::DataFailed,
                                     {"error: Upload data failed."}},
                          OtherReply{"storeByAPosition",
                                     0xF6,
                                     positionReply(0, 10, 0, 10),
                                     Outcome::StoreFailed,
                                     {"error: Save uploaded data to device failed."}},
                          OtherReply{"storeByTheDatasAck",
                                     0xF6,
                                     acknowledgement(Command::BlockData, true),
                                     Outcome::StoreFailed,
                                     {"error: Save uploaded data to device failed."}})),
    CaseName());

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

struct UploadCopy {
    const char* name;
    std::optional<std::uint8_t> refused;
    bool copied;
};

using OperatorUpload = TransferCase<UploadCopy>;

TEST_P(OperatorUpload, CopiesTheEditorBlockOnlyOnceTheDataWasTaken)
{
    const UploadCopy& c = param();
    if (c.refused)
        ctl.settings().replaceReply =
            replyTo(*c.refused, acknowledgement(static_cast<Command>(*c.refused), false));
    open(via());
    TktFRAMParams edited = defaultBlock();
    edited.setU8(offs::az_show_math, 1);
    editor.setKT90Options(edited);
    current.bytes.fill(0x31);
    transfer->UploadToDevice(editor);
    EXPECT_EQ(editor.applied, 1);
    EXPECT_EQ(current == edited, c.copied);
    EXPECT_FALSE(link->DisableRefresh());
    EXPECT_EQ(ui.busy, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Config, OperatorUpload,
    ::testing::Combine(kBothTransports,
                       ::testing::Values(UploadCopy{"stored", {}, true},
                                         UploadCopy{"storeRefused", 0xF6, true},
                                         UploadCopy{"dataRefused", 0xF5, false},
                                         UploadCopy{"headerRefused", 0xF4, false})),
    CaseName());

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

INSTANTIATE_TEST_SUITE_P(Config, Transfer, kBothTransports,
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
