// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fakeserialport.h"
#include "support/linkfixture.h"

#include "core/errors.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTimer>

#include <deque>

using namespace kt90;
using kt90::sim::Clock;

namespace {

std::vector<std::uint8_t> bufferHeld(const TDeviceLink& link)
{
    const auto& b = link.buffer().fBuff();
    return {b.begin(), b.begin() + link.buffer().fPos()};
}

} // namespace

class BothTransports : public LinkFixture, public ::testing::WithParamInterface<Via> {};

TEST_P(BothTransports, StatusExchangeDecodesTheReply)
{
    ctl.setAngle(0, 12.5);
    ctl.setAngle(1, -90.0);
    open(GetParam());
    EXPECT_TRUE(link->SendCommand(statusCommand(), 0));
    EXPECT_EQ(link->fState(), ExchangeReplied);
    EXPECT_DOUBLE_EQ(link->fAz(), 12.5);
    EXPECT_DOUBLE_EQ(link->fEl(), -90.0);
    EXPECT_EQ(link->fAzGear(), 10);
    // Before any download both motors read as azimuth, folded into one turn.
    EXPECT_EQ(link->angleLine.Text(), "A1:  12.5  A2:-270.0");
    EXPECT_EQ(link->buffer().fPos(), 0);
}

TEST_P(BothTransports, OutputsQueryShowsTheCells)
{
    ctl.setOutputs(0x05);
    open(GetParam());
    link->SendOutputsQuery();
    EXPECT_EQ(link->fState(), ExchangeReplied);
    EXPECT_EQ(link->fOuts(), 0x05);
    const QString line = link->outputsLine.Text();
    ASSERT_EQ(line.size(), 18);
    EXPECT_EQ(line[6], QChar(' '));
    EXPECT_EQ(line[8], QChar(8));
    EXPECT_EQ(line[10], QChar(' '));
    EXPECT_EQ(line[12], QChar(8));
}

TEST_P(BothTransports, ClosedTransportSendsNothingAndChangesNothing)
{
    settings.serial = GetParam() == Via::Pty; // nothing opened
    const std::vector<std::uint8_t> partial = {0x57, 3, 7};
    link->buffer().Append(partial.data(), 3);
    link->buffer().Expect(7, false);
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link->SendCommand(statusCommand(), 0));
    EXPECT_LT(t.elapsed(), settings.timeout) << "it waited";
    EXPECT_EQ(link->fState(), ExchangeReplied);
    EXPECT_EQ(link->buffer().fWait(), 7);
    EXPECT_EQ(bufferHeld(*link), partial);
}

TEST_P(BothTransports, LivePollFollowsTheRotator)
{
    clock = Clock::Real;
    ctl.settings().speed = 200;
    open(GetParam());
    settings.pooling = 20;
    link->tmrRefresh.start();
    link->SendPosition(30, 20);
    EXPECT_TRUE(waitFor([&] { return link->angleLine.Text() == "A1:  30.0  A2:  20.0"; }))
        << link->angleLine.Text().toStdString();
    EXPECT_TRUE(link->tmrRefresh.isActive());
}

// What an operator turns on when a real controller misbehaves: every frame
// in hex, and the link opening; nothing at all unless asked for.
TEST_P(BothTransports, TheLogShowsFramesOnlyWhenAskedFor)
{
    static QStringList lines;
    lines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext& context, const QString& text) {
            if (QByteArray(context.category).startsWith("kt90."))
                lines << QString::fromLatin1(context.category) + ": " + text;
        });
    struct Restore {
        QtMessageHandler previous;
        ~Restore()
        {
            qInstallMessageHandler(previous);
            QLoggingCategory::setFilterRules(QString());
        }
    } restore{previous};

    open(GetParam());
    ASSERT_TRUE(link->SendCommand(statusCommand(), 0));
    EXPECT_TRUE(lines.isEmpty()) << lines.join('\n').toStdString();

    QLoggingCategory::setFilterRules(QStringLiteral("kt90.link=true"));
    link->CloseTransports();
    open(GetParam());
    ASSERT_TRUE(link->SendCommand(statusCommand(), 0));
    const QString all = lines.join('\n');
    EXPECT_TRUE(all.contains(QRegularExpression(
        R"(kt90\.link: \d\d:\d\d:\d\d\.\d\d\d sent 57 00 00 00 00 00 00 00 00 00 00 1F 20)")))
        << all.toStdString();
    EXPECT_TRUE(all.contains(QRegularExpression(R"(received 57( [0-9A-F]{2}){11})")))
        << all.toStdString();
    EXPECT_TRUE(
        all.contains(QRegularExpression(R"(opened at 460800 Bd|connected to 127\.0\.0\.1:)")))
        << all.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Link, BothTransports, ::testing::Values(Via::Pty, Via::Tcp),
                         [](const auto& info) { return viaName(info.param); });

TEST(LinkWithoutOptions, SendsNothing)
{
    FakeSerialPort cp;
    TQtTcpClient tn;
    TktFRAMParams current;
    TDeviceLink link(cp, tn, current);
    EXPECT_FALSE(link.SendCommand(statusCommand(), 0));
    EXPECT_TRUE(cp.written.empty());
}

// Serial link.

TEST_F(LinkFixture, SerialReplyInThreePiecesCompletesOnTheThirdReceipt)
{
    faults.pieces = {5, 4, 3};
    faults.pieceGapMs = 10;
    open(Via::Pty);
    std::vector<int> posAfterEach;
    QObject::connect(&serial, &ISerialPort::RxChar, link.get(), [&](int) {
        posAfterEach.push_back(link->buffer().fPos());
        // The next piece goes out only when the simulator's clock moves.
        QTimer::singleShot(0, [&] { server->advance(10); });
    });
    EXPECT_TRUE(link->SendCommand(statusCommand(), 0));
    EXPECT_EQ(posAfterEach, (std::vector<int>{5, 9, 0}));
    EXPECT_EQ(link->fState(), ExchangeReplied);
    EXPECT_EQ(link->buffer().fPos(), 0);
}

TEST_F(LinkFixture, SerialNoReplyFailsAfterTheTimeOut)
{
    faults.silent = true;
    settings.timeout = 300;
    open(Via::Pty);
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link->SendCommand(statusCommand(), 0));
    EXPECT_GE(t.elapsed(), 290);
    EXPECT_EQ(link->fState(), ExchangeTimedOut);
}

TEST_F(LinkFixture, SerialSetPositionReturnsOnceWrittenAndLeavesTheState)
{
    faults.silent = true;
    open(Via::Pty);
    ASSERT_FALSE(link->SendCommand(statusCommand(), 0));
    ASSERT_EQ(link->fState(), ExchangeTimedOut);
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(link->SendCommand(setPositionCommand(10, 10, 20, 10), 0));
    EXPECT_LT(t.elapsed(), settings.timeout);
    EXPECT_EQ(link->fState(), ExchangeTimedOut);
    ASSERT_TRUE(receivedCount(2));
    EXPECT_EQ(received()[1], setPositionCommand(10, 10, 20, 10));
}

TEST_F(LinkFixture, SerialLateReplyIsStillDecoded)
{
    faults.delayMs = 1000;
    ctl.setAngle(0, 45.0);
    open(Via::Pty);
    EXPECT_FALSE(link->SendCommand(statusCommand(), 0));
    EXPECT_EQ(link->fState(), ExchangeTimedOut);
    server->advance(1000);
    EXPECT_TRUE(waitFor([&] { return link->fState() == ExchangeReplied; }));
    EXPECT_DOUBLE_EQ(link->fAz(), 45.0);
    EXPECT_EQ(link->angleLine.Text(), "A1:  45.0  A2:   0.0");
}

TEST_F(LinkFixture, SerialReentrantCommandsNeverInterleave)
{
    clock = Clock::Real;
    faults.delayMs = 60;
    open(Via::Pty);
    bool innerDone = false;
    int innerState = 99;
    // A command issued from an event handled inside the first one's wait.
    QTimer::singleShot(10, [&] {
        link->SendCommand(outputsQuery(), 2);
        innerState = link->fState();
        innerDone = true;
    });
    EXPECT_TRUE(link->SendCommand(statusCommand(), 0));
    EXPECT_TRUE(innerDone);
    EXPECT_EQ(innerState, 0);
    const auto got = received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], statusCommand());
    EXPECT_EQ(got[1], outputsQuery());
    const auto at = server->locked([](auto& c) { return c.receivedAt(); });
    EXPECT_GE(at[1], at[0] + 60) << "the second frame went out before the first reply";
}

// Commands given while others wait reach the wire in the order given: each
// waits inside the wait of the one before it, and were the innermost to go
// first, a jog release would overtake its press and leave the motor running.
class CommandOrder : public LinkFixture, public ::testing::WithParamInterface<Via> {};

TEST_P(CommandOrder, IsTheOrderTheyWereGiven)
{
    clock = Clock::Real;
    faults.delayMs = 60;
    open(GetParam());
    const std::vector<Frame> given = {jogCommand(1), jogCommand(0), stopCommand()};
    std::vector<int> states;
    for (std::size_t i = 0; i < given.size(); ++i)
        QTimer::singleShot(static_cast<int>(5 + 5 * i), [&, i] {
            link->SendCommand(given[i], 0);
            states.push_back(link->fState());
        });
    EXPECT_TRUE(link->SendCommand(statusCommand(), 0));
    EXPECT_TRUE(waitFor([&] { return states.size() == given.size(); }));
    const auto got = received();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], statusCommand());
    for (std::size_t i = 0; i < given.size(); ++i)
        EXPECT_EQ(got[i + 1], given[i]) << "frame " << i + 1;
    EXPECT_EQ(states, std::vector<int>(given.size(), ExchangeReplied));
}

INSTANTIATE_TEST_SUITE_P(Link, CommandOrder, ::testing::Values(Via::Pty, Via::Tcp),
                         [](const auto& info) { return viaName(info.param); });

// A link on a serial port that the test feeds by hand.
class SerialLink : public ::testing::Test {
protected:
    FakeSerialPort cp;
    TQtTcpClient tn;
    TktFRAMParams current;
    TestSettings settings;
    TDeviceLink link{cp, tn, current};
    void SetUp() override { link.setOptions(&settings); }
};

TEST_F(SerialLink, ReceiptPastTheBufferIsReadAndDropped)
{
    const std::vector<std::uint8_t> partial = {0x57, 3, 7};
    link.buffer().Append(partial.data(), 3);
    cp.deliver(std::vector<std::uint8_t>(ReplyBuffer::kSize - 2, 0x57));
    EXPECT_EQ(bufferHeld(link), partial);
    EXPECT_TRUE(cp.waiting.empty()) << "the port was not drained";
}

TEST_F(SerialLink, WriteFailureReachesTheCallerAndFreesTheLink)
{
    cp.failWrites = true;
    EXPECT_THROW(link.SendCommand(statusCommand(), 0), Error);
    EXPECT_NE(link.fState(), ExchangeBusy);
    EXPECT_FALSE(link.tmrTimeOut.isActive());
    cp.failWrites = false;
    QElapsedTimer t;
    t.start();
    QTimer::singleShot(0, [&] { cp.deliver(positionReply(1, 10, 2, 10)); });
    EXPECT_TRUE(link.SendCommand(statusCommand(), 0));
    EXPECT_LT(t.elapsed(), settings.timeout) << "the next command waited for a dead exchange";
}

// A reply that came after its time-out, while no event loop ran, is not
// taken as the answer to the next command.
TEST_F(SerialLink, ALateReplyDoesNotAnswerTheNextCommand)
{
    EXPECT_FALSE(link.SendCommand(statusCommand(), 0));
    EXPECT_EQ(link.fState(), ExchangeTimedOut);
    cp.arrive(positionReply(10, 10, 0, 10));
    QTimer::singleShot(20, [&] { cp.deliver(positionReply(20, 10, 0, 10)); });
    EXPECT_TRUE(link.SendCommand(statusCommand(), 0));
    EXPECT_DOUBLE_EQ(link.fAz(), 20.0);
}

// TCP link.

TEST_F(LinkFixture, TcpSetPositionWaitsForItsReply)
{
    open(Via::Tcp);
    EXPECT_TRUE(link->SendCommand(setPositionCommand(10, 10, 20, 10), 0));
    EXPECT_EQ(link->fState(), ExchangeReplied);
    EXPECT_EQ(received().size(), 1u);
}

TEST_F(LinkFixture, TcpSilenceRaisesReadTimedOut)
{
    faults.silent = true;
    settings.timeout = 300;
    open(Via::Tcp);
    QElapsedTimer t;
    t.start();
    try {
        link->SendCommand(setPositionCommand(10, 10, 20, 10), 0);
        FAIL() << "no error";
    } catch (const ETcpReadTimeout& e) {
        EXPECT_STREQ(e.what(), "Read timed out.");
    }
    EXPECT_GE(t.elapsed(), 290);
    EXPECT_EQ(link->buffer().fPos(), 0);
}

// The window, the poll's timers and the servers go on while a TCP reply is
// awaited; before, the socket's blocking read froze them for the time-out.
TEST_F(LinkFixture, TheEventLoopRunsWhileATcpReplyIsAwaited)
{
    faults.silent = true;
    settings.timeout = 300;
    open(Via::Tcp);
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(10);
    EXPECT_THROW(link->SendCommand(statusCommand(), 0), ETcpReadTimeout);
    // 500 ms of waiting (time-out and the reply's 200 ms at 600 Bd): the
    // ticks are many, however busy the machine.
    EXPECT_GE(ticks, 10);
}

// The time-out bounds the whole reply, plus the time its bytes need at
// 600 Bd, not the gap between two bytes.
struct Trickle {
    const char* name;
    std::uint64_t gapMs; // between the reply's single bytes
    bool timesOut;
};

class TcpReplyBound : public LinkFixture, public ::testing::WithParamInterface<Trickle> {};

TEST_P(TcpReplyBound, IsTheWholeReplys)
{
    clock = Clock::Real;
    faults.pieces = {1};
    faults.pieceGapMs = GetParam().gapMs;
    settings.timeout = 150;
    open(Via::Tcp);
    QElapsedTimer t;
    t.start();
    if (GetParam().timesOut) {
        EXPECT_THROW(link->SendCommand(statusCommand(), 0), ETcpReadTimeout);
        EXPECT_LT(t.elapsed(), 1000) << "each byte came within the time-out";
    } else {
        EXPECT_TRUE(link->SendCommand(statusCommand(), 0));
        EXPECT_EQ(link->fState(), ExchangeReplied);
    }
}

INSTANTIATE_TEST_SUITE_P(Link, TcpReplyBound,
                         ::testing::Values(Trickle{"trickling", 100, true},
                                           Trickle{"slowBridge", 10, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// An exchange started while another waits runs after it; each TCP exchange
// then tells its own outcome.
TEST_F(LinkFixture, ATcpExchangeStartedDuringAnotherKeepsItsOwnOutcome)
{
    ctl.settings().refuseAcknowledgements = true;
    open(Via::Tcp);
    std::optional<ExchangeState> inner;
    QTimer::singleShot(0, [&] {
        link->SendCommand(statusCommand(), 0);
        inner = link->fState();
    });
    EXPECT_TRUE(link->SendCommand(blockWriteHeader(1, 496), 0));
    EXPECT_EQ(link->fState(), ExchangeInvalid) << "the header was refused";
    EXPECT_TRUE(waitFor([&] { return inner.has_value(); }));
    EXPECT_EQ(inner, ExchangeReplied);
    const auto got = received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], blockWriteHeader(1, 496));
    EXPECT_EQ(got[1], statusCommand());
}

TEST_F(LinkFixture, TcpRefusedAcknowledgementIsTrueWithStateMinusTwo)
{
    ctl.settings().refuseAcknowledgements = true;
    open(Via::Tcp);
    EXPECT_TRUE(link->SendCommand(blockWriteHeader(1, 496), 0));
    EXPECT_EQ(link->fState(), ExchangeInvalid);
}

TEST_F(LinkFixture, TcpPeerClosingFirstRaisesItsOwnText)
{
    faults.closeAfter = 0;
    open(Via::Tcp);
    try {
        link->SendCommand(statusCommand(), 0);
        FAIL() << "no error";
    } catch (const ETcpReadTimeout&) {
        FAIL() << "reported as a time-out";
    } catch (const Error& e) {
        EXPECT_FALSE(std::string(e.what()).empty());
    }
    EXPECT_TRUE(waitFor([&] { return !tcp.Connected(); }));
    EXPECT_FALSE(link->SendCommand(statusCommand(), 0));
}

TEST_F(LinkFixture, TcpBlockReadOf498Bytes)
{
    open(Via::Tcp);
    EXPECT_TRUE(link->SendCommand(blockReadCommand(0), 498));
    EXPECT_EQ(link->fState(), ExchangeReplied);
    TktFRAMParams expected;
    FillDefaults(expected);
    EXPECT_EQ(current, expected);
}

// The poll cycle.

class PollCycle : public LinkFixture, public ::testing::WithParamInterface<Via> {};

TEST_P(PollCycle, SendsStatusAndOutputsAndRearms)
{
    open(GetParam());
    settings.pooling = 777;
    link->tmrRefreshTimer();
    EXPECT_EQ(received(), (std::vector<Frame>{statusCommand(), outputsQuery()}));
    EXPECT_TRUE(link->tmrRefresh.isActive());
    EXPECT_EQ(link->tmrRefresh.interval(), 777);
}

TEST_P(PollCycle, WithRefreshDisabledOnlyStatusAndTheTimerStaysOff)
{
    open(GetParam());
    link->tmrRefresh.start();
    link->setDisableRefresh(true);
    link->tmrRefreshTimer();
    EXPECT_TRUE(receivedCount(1));
    EXPECT_EQ(received(), (std::vector<Frame>{statusCommand()}));
    EXPECT_FALSE(link->tmrRefresh.isActive());
}

TEST_P(PollCycle, RunsWithNoTransportOpen)
{
    settings.serial = GetParam() == Via::Pty;
    link->tmrRefreshTimer();
    EXPECT_TRUE(link->tmrRefresh.isActive());
    EXPECT_EQ(link->angleLine.Text(), "M1:   0.0  M2:   0.0");
}

// From the end of one cycle to the next status command never less than
// the interval: a coarse timer would let it fire 5 % early.
TEST_P(PollCycle, TheNextCycleNeverComesEarly)
{
    clock = Clock::Real;
    open(GetParam());
    settings.pooling = 200;
    QElapsedTimer t;
    t.start();
    qint64 ended = -1;
    std::vector<qint64> gaps;
    QObject::connect(link.get(), &TDeviceLink::pollCycleEnded, [&] { ended = t.elapsed(); });
    QObject::connect(link.get(), &TDeviceLink::stateChanged, [&](int state) {
        if (state == ExchangeBusy && ended >= 0) {
            gaps.push_back(t.elapsed() - ended);
            ended = -1;
        }
    });
    link->StartPoll(settings.pooling);
    EXPECT_TRUE(waitFor([&] { return gaps.size() >= 6; }, 5000));
    link->StopPoll();
    for (qint64 gap : gaps)
        EXPECT_GE(gap, settings.pooling);
}

INSTANTIATE_TEST_SUITE_P(Link, PollCycle, ::testing::Values(Via::Pty, Via::Tcp),
                         [](const auto& info) { return viaName(info.param); });

TEST_F(LinkFixture, PollDropsTransportErrorsAndTheNextCycleRuns)
{
    faults.silent = true;
    settings.timeout = 100;
    settings.pooling = 20;
    open(Via::Tcp);
    bool fallback = false;
    link->setConnectionRoutine([&] { fallback = true; });
    EXPECT_NO_THROW(link->tmrRefreshTimer()); // raises "Read timed out." inside
    EXPECT_TRUE(link->tmrRefresh.isActive());
    EXPECT_FALSE(fallback);
    server->setFaults({});
    EXPECT_TRUE(waitFor([&] { return link->angleLine.Text().startsWith('A'); }));
    EXPECT_FALSE(fallback);
}

TEST_F(LinkFixture, PollFallsBackToTheConnectionRoutineWhenItsRecoveryFails)
{
    struct BrokenSettings : TestSettings {
        int Pooling() const override { throw std::runtime_error("options page gone"); }
    } broken;
    broken.serial = false;
    faults.silent = true;
    open(Via::Tcp);
    broken.timeout = 100;
    link->setOptions(&broken);
    int calls = 0;
    link->setConnectionRoutine([&] { ++calls; });
    link->tmrRefreshTimer();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(link->DisableRefresh());
}

TEST_F(LinkFixture, SendPositionResumesThePollEvenWhenRefused)
{
    open(Via::Pty);
    EXPECT_THROW(link->SendPosition(700, 0), EAngleOutOfRange);
    EXPECT_FALSE(link->DisableRefresh());
    EXPECT_TRUE(link->tmrRefresh.isActive());
    server->advance(10);
    EXPECT_TRUE(received().empty()) << "a refused angle reached the wire";
}

TEST_F(LinkFixture, SendPositionUsesTheReportedResolutions)
{
    ctl.settings().m1Gear = 2;
    ctl.settings().m2Gear = 5;
    open(Via::Tcp);
    link->SendStatusQuery();
    ASSERT_EQ(link->fAzGear(), 2);
    link->SendPosition(0.25, 0);
    EXPECT_EQ(received().back(), setPositionCommand(0.25, 2, 0, 5));
}

TEST(SerialLinkDeathTest, ApplicationQuitEndsAWaitInsteadOfSpinning)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // In a child process, as quitting leaves the application unable to run
    // event loops afterwards.
    EXPECT_EXIT(
        {
            FakeSerialPort cp; // never answers
            TQtTcpClient tn;
            TktFRAMParams current;
            TestSettings settings;
            settings.timeout = 60000;
            TDeviceLink link(cp, tn, current);
            link.setOptions(&settings);
            QTimer::singleShot(10, [] { QCoreApplication::exit(0); });
            const bool ok = link.SendCommand(statusCommand(), 0);
            std::exit(!ok && link.fState() == ExchangeTimedOut && !link.tmrTimeOut.isActive() ? 0
                                                                                              : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(LinkFixture, ThreeSilentPollsReportTheControllerLostAndAReplyRestoresIt)
{
    settings.timeout = 50;
    open(Via::Tcp);
    int silent = 0, answers = 0;
    QObject::connect(link.get(), &TDeviceLink::controllerSilent, [&] { ++silent; });
    QObject::connect(link.get(), &TDeviceLink::controllerAnswers, [&] { ++answers; });
    link->tmrRefreshTimer();
    EXPECT_EQ(link->MissedPolls(), 0);
    server->setFaults([] {
        kt90::sim::SimFaults f;
        f.silent = true;
        return f;
    }());
    for (int i = 0; i < 2; ++i)
        link->tmrRefreshTimer();
    EXPECT_EQ(silent, 0);
    link->tmrRefreshTimer();
    EXPECT_EQ(silent, 1);
    link->tmrRefreshTimer();
    EXPECT_EQ(silent, 1) << "said once";
    server->setFaults({});
    link->tmrRefreshTimer();
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(link->MissedPolls(), 0);
}

TEST_F(LinkFixture, TcpALateReplyIsNotTakenForTheNextCommandsReply)
{
    faults.delayMs = 1000;
    settings.timeout = 100;
    ctl.setAngle(0, 10);
    open(Via::Tcp);
    EXPECT_THROW(link->SendCommand(statusCommand(), 0), ETcpReadTimeout);
    server->advance(1000); // the late position reply arrives now
    QTest::qWait(50);
    server->setFaults({});
    server->locked([](auto& c) {
        c.setOutputs(0x2A);
        return 0;
    });
    EXPECT_TRUE(link->SendCommand(outputsQuery(), 2));
    EXPECT_EQ(link->fState(), ExchangeReplied);
    EXPECT_EQ(link->fOuts(), 0x2A) << "the late position reply was read as the outputs reply";
}
