// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/connection.h"
#include "support/linkfixture.h"

#include "core/errors.h"
#include "link/unhandled.h"

#include <QStringList>

using namespace kt90;

#include <QTcpServer>

namespace {

struct FakePage : IConnectionPage {
    int pooling = 40;
    int timeout = 200;
    bool serial = false;
    bool eth = false;
    bool comExists = false;
    QString port = QStringLiteral("not selected");
    int baud = 460800;
    QString host = QStringLiteral("127.0.0.1");
    QString hostPort = QStringLiteral("23");
    int tag = 0;
    QString caption = QStringLiteral("Connect");
    QStringList errors; // every message shown, in order
    bool errorShown = false;

    int Pooling() const override { return pooling; }
    int Timeout() const override { return timeout; }
    bool UseSerial() const override { return serial; }
    bool EthSelected() const override { return eth; }
    bool ComExists() const override { return comExists; }
    QString PortCaption() const override { return port; }
    int GetBaudrate() const override { return baud; }
    QString HostText() const override { return host; }
    QString HostPortText() const override { return hostPort; }
    int ConnectTag() const override { return tag; }
    void SetConnectButton(int t, const QString& c) override
    {
        tag = t;
        caption = c;
    }
    void ShowConnectionError(const QString& m) override
    {
        errors << m;
        errorShown = true;
    }
    void HideConnectionError() override { errorShown = false; }
};

struct FakeProbe : IHostProbe {
    bool answer = true;
    QStringList asked;
    bool PingHost(const QString& host) override
    {
        asked << host;
        return answer;
    }
};

} // namespace

class Connection : public LinkFixture {
protected:
    FakePage page;
    FakeProbe probe;
    std::unique_ptr<TConnectionRoutine> routine;
    bool titleShown = false;
    QString titleText;
    TktFRAMParams handed;
    int handovers = 0;

    void SetUp() override
    {
        LinkFixture::SetUp();
        link->setOptions(&page);
        routine = std::make_unique<TConnectionRoutine>(*link, page, probe);
        routine->showTitleError = [this](bool shown, const QString& text) {
            titleShown = shown;
            titleText = text;
        };
        routine->handToEditor = [this](const TktFRAMParams& b) {
            handed = b;
            ++handovers;
        };
    }
    void TearDown() override
    {
        routine.reset();
        LinkFixture::TearDown();
    }

    // The simulator, without opening the link: the routine does that.
    void serveTcp()
    {
        server = StartSimulator(ctl, faults, clock, Via::Tcp, {});
        page.eth = true;
        page.hostPort = QString::number(server->tcpPort());
    }
    void servePty()
    {
        ptyPath = PtyPathFor(::testing::TempDir(), "kt90conn");
        server = StartSimulator(ctl, faults, clock, Via::Pty, ptyPath);
        page.serial = true;
        page.comExists = true;
        page.port = QString::fromStdString(ptyPath);
    }
    bool linkOpen() const { return link->IsOpen(); }
    void expectPollRearmed()
    {
        EXPECT_FALSE(link->DisableRefresh());
        EXPECT_TRUE(link->tmrRefresh.isActive());
        EXPECT_EQ(link->tmrRefresh.interval(), page.pooling);
    }
};

TEST_F(Connection, TcpConnectsDownloadsAndHandsTheBlockOver)
{
    ctl.setAngle(1, 45.0);
    serveTcp();
    routine->Button1Click();
    EXPECT_FALSE(page.errorShown);
    EXPECT_FALSE(titleShown);
    EXPECT_EQ(page.tag, 1);
    EXPECT_EQ(page.caption, "Disconnect");
    EXPECT_EQ(probe.asked, QStringList{"127.0.0.1"});
    EXPECT_EQ(handovers, 1);
    EXPECT_EQ(handed, current);
    EXPECT_EQ(link->angleLine.Text(), "A1:   0.0  E2:  45.0");
    EXPECT_TRUE(tcp.Connected());
    expectPollRearmed();
    // The poll cycle now runs over the new link.
    EXPECT_TRUE(receivedCount(3));
}

TEST_F(Connection, SerialConnectsAtTheStoredRateAfterTheSettlePause)
{
    servePty();
    page.baud = 9600;
    QElapsedTimer t;
    t.start();
    routine->Button1Click();
    EXPECT_GE(t.elapsed(), TConnectionRoutine::kSettleMs);
    EXPECT_EQ(page.caption, "Disconnect");
    EXPECT_TRUE(serial.isOpen());
    EXPECT_EQ(received().front(), blockReadCommand(0));
    EXPECT_FALSE(titleShown);
    expectPollRearmed();
}

struct FailureRow {
    const char* name;
    enum {
        SilentSerial,
        SilentTcp,
        BadBlockOverTcp,
        ProbeUnanswered,
        PortRefuses,
        SerialPortAbsent,
        NoSerialPortSelected,
        NoTransportChosen,
    } situation;
    QStringList errors;
};

class ConnectionFailure : public Connection, public ::testing::WithParamInterface<FailureRow> {
protected:
    void arrange(const FailureRow& row)
    {
        switch (row.situation) {
        case FailureRow::SilentSerial:
            faults.silent = true;
            servePty();
            break;
        case FailureRow::SilentTcp:
            faults.silent = true;
            serveTcp();
            break;
        case FailureRow::BadBlockOverTcp: {
            Frame bad(498, 0);
            bad[0] = 0x57;
            ctl.settings().replaceReply = [bad](const Frame& f) -> std::optional<Frame> {
                if (f.size() == 13 && f[11] == 0x4F)
                    return bad;
                return std::nullopt;
            };
            serveTcp();
            break;
        }
        case FailureRow::ProbeUnanswered:
            serveTcp();
            probe.answer = false;
            break;
        case FailureRow::PortRefuses:
            page.eth = true;
            page.hostPort = "1";
            break;
        case FailureRow::SerialPortAbsent:
            servePty();
            page.comExists = false;
            break;
        case FailureRow::NoSerialPortSelected:
            servePty();
            page.port = "not selected";
            break;
        case FailureRow::NoTransportChosen:
            break;
        }
    }
};

TEST_P(ConnectionFailure, IsSaidAndLeavesTheLinkClosed)
{
    arrange(GetParam());
    routine->Button1Click();
    EXPECT_EQ(page.errors, GetParam().errors);
    EXPECT_TRUE(page.errorShown);
    EXPECT_TRUE(titleShown);
    EXPECT_EQ(titleText, "No KT90 device found!");
    EXPECT_EQ(page.tag, 0);
    EXPECT_EQ(page.caption, "Connect");
    EXPECT_FALSE(linkOpen());
    EXPECT_EQ(handovers, 0);
    expectPollRearmed();
}

const QString kSendError = QStringLiteral("Command send error. Check settings and connections.");

INSTANTIATE_TEST_SUITE_P(
    EveryRow, ConnectionFailure,
    ::testing::Values(
        FailureRow{"controllerSilentOnTheSerialLink", FailureRow::SilentSerial, {kSendError}},
        FailureRow{"controllerSilentOverTcp",
                   FailureRow::SilentTcp,
                   {"Read timed out. Check controller settings!"}},
        FailureRow{
            "badBlockReadReplyOverTcp", FailureRow::BadBlockOverTcp, {"No/invalid data received"}},
        FailureRow{"hostDoesNotAnswerTheProbe",
                   FailureRow::ProbeUnanswered,
                   {"Host not responding.", kSendError}},
        FailureRow{"portRefuses", FailureRow::PortRefuses, {kSendError}},
        FailureRow{"serialPortNotPresent", FailureRow::SerialPortAbsent, {kSendError}},
        FailureRow{"serialChosenNothingSelected", FailureRow::NoSerialPortSelected, {kSendError}},
        FailureRow{"noTransportChosen", FailureRow::NoTransportChosen, {kSendError}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Connection, DisconnectClosesTheLink)
{
    serveTcp();
    routine->Button1Click();
    ASSERT_EQ(page.tag, 1);
    routine->Button1Click();
    EXPECT_FALSE(page.errorShown);
    EXPECT_TRUE(titleShown);
    EXPECT_EQ(page.caption, "Connect");
    EXPECT_FALSE(tcp.Connected());
    expectPollRearmed();
}

TEST_F(Connection, APortThatCannotBeOpenedIsSaidOnTheErrorLine)
{
    int alerts = 0;
    SetUnhandledErrorHandler([&](std::exception_ptr) { ++alerts; });
    page.serial = true;
    page.comExists = true;
    page.port = "/nonexistent/ttyKT90";
    routine->Button1Click();
    SetUnhandledErrorHandler({});
    ASSERT_EQ(page.errors.size(), 1);
    EXPECT_NE(page.errors[0], "Command send error. Check settings and connections.");
    EXPECT_FALSE(page.errors[0].isEmpty());
    EXPECT_EQ(alerts, 1);
    EXPECT_TRUE(titleShown);
    EXPECT_EQ(page.caption, "Connect");
    expectPollRearmed();
}

TEST_F(Connection, ThePollCycleFallsBackToTheRoutine)
{
    serveTcp();
    routine->Button1Click();
    ASSERT_EQ(page.tag, 1);
    struct BrokenPooling : FakePage {
        int Pooling() const override { throw std::runtime_error("gone"); }
    };
    // A cycle whose own recovery fails runs the routine: with the link
    // open, that is a disconnect.
    faults.silent = true;
    server->setFaults(faults);
    page.timeout = 50;
    BrokenPooling broken;
    broken.timeout = 50;
    link->setOptions(&broken);
    link->tmrRefreshTimer();
    EXPECT_FALSE(tcp.Connected());
    EXPECT_TRUE(titleShown);
}

TEST(ConnectionPort, HostPortText)
{
    const std::pair<const char*, quint16> cases[] = {
        {"23", 23}, {"4533", 4533}, {" 80 ", 80}, {"abc", 23},      {"", 23},
        {"0", 23},  {"65536", 23},  {"-1", 23},   {"65535", 65535}, {"12ab", 23},
    };
    for (const auto& [text, port] : cases)
        EXPECT_EQ(TConnectionRoutine::HostPort(text), port) << text;
}

TEST(IPPing, ResolvesAndProbes)
{
    EXPECT_EQ(ResolveHost("127.0.0.1"), (IPv4Address{127, 0, 0, 1}));
    EXPECT_EQ(ResolveHost("localhost"), (IPv4Address{127, 0, 0, 1}));
    EXPECT_EQ(ResolveHost("no-such-host.invalid"), IPv4Address{});
    TIPPing ping;
    EXPECT_FALSE(ping.PingHost("0.0.0.0"));
    EXPECT_FALSE(ping.PingHost("no-such-host.invalid"));
    if (TIPPing::AvailableMethod() == TIPPing::Method::None)
        GTEST_SKIP() << "this machine allows no ICMP probe at all";
    EXPECT_TRUE(ping.PingHost("127.0.0.1"));
}

TEST_F(Connection, ALinkThatGoesAwayIsSaidAndConnectBringsItBack)
{
    faults.closeAfter = 3; // the download, then one poll's status and outputs
    serveTcp();
    page.timeout = 100;
    routine->Button1Click();
    ASSERT_EQ(page.caption, "Disconnect");
    link->tmrRefresh.stop();
    link->tmrRefreshTimer(); // answered
    EXPECT_EQ(page.caption, "Disconnect");
    link->tmrRefreshTimer(); // the controller hangs up
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            link->tmrRefreshTimer();
            return page.caption == "Connect";
        },
        3000));
    EXPECT_EQ(page.tag, 0);
    EXPECT_EQ(page.errors.back(), "The link to the controller was lost.");
    EXPECT_TRUE(titleShown);

    server->setFaults({});
    routine->Button1Click();
    EXPECT_EQ(page.caption, "Disconnect");
    EXPECT_TRUE(tcp.Connected());
}

TEST_F(Connection, APulledSerialAdapterIsSaid)
{
    servePty();
    routine->Button1Click();
    ASSERT_TRUE(serial.isOpen());
    link->tmrRefresh.stop();
    server.reset(); // the other side of the line is gone
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            link->tmrRefreshTimer();
            return page.caption == "Connect";
        },
        3000))
        << "the port still reads as open";
    EXPECT_EQ(page.errors.back(), "The link to the controller was lost.");
    servePty(); // plugged in again
    routine->Button1Click();
    EXPECT_TRUE(serial.isOpen());
    EXPECT_EQ(page.caption, "Disconnect");
}

// With Reconnect (s) set, a failed connection and a lost link are tried
// again by themselves, and the title strip says so; without it, never.
TEST_F(Connection, ReconnectTriesAgainUntilTheControllerIsThere)
{
    struct Reconnecting : FakePage {
        int ReconnectSeconds() const override { return 1; }
    } retrying;
    retrying.eth = true;
    retrying.timeout = 100;
    link->setOptions(&retrying);
    routine = std::make_unique<TConnectionRoutine>(*link, retrying, probe);
    routine->showTitleError = [this](bool shown, const QString& text) {
        titleShown = shown;
        titleText = text;
    };
    // Nothing listens on the port yet.
    QTcpServer reserve;
    ASSERT_TRUE(reserve.listen(QHostAddress::LocalHost, 0));
    const quint16 port = reserve.serverPort();
    reserve.close();
    retrying.hostPort = QString::number(port);
    routine->Button1Click();
    EXPECT_EQ(retrying.tag, 0);
    EXPECT_TRUE(titleShown);
    EXPECT_EQ(titleText, "No KT90 device found! Trying again every 1 s");

    server = std::make_unique<kt90::sim::SimServer>(ctl, faults, clock);
    server->listenTcp("127.0.0.1", port);
    server->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return retrying.tag == 1; }, 5000));
    EXPECT_FALSE(titleShown);

    // The operator's own disconnect is not undone.
    routine->Button1Click();
    EXPECT_EQ(retrying.tag, 0);
    QTest::qWait(1500);
    EXPECT_EQ(retrying.tag, 0);
}

TEST_F(Connection, WithoutReconnectAFailedConnectionStaysFailed)
{
    page.eth = true;
    page.hostPort = QStringLiteral("1"); // nothing listens there
    routine->Button1Click();
    EXPECT_EQ(titleText, "No KT90 device found!");
    QTest::qWait(1200);
    EXPECT_EQ(page.tag, 0);
}
