// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotctld/rotctlserver.h"
#include "support/linkfixture.h"

#include "core/errors.h"
#include "core/rotctl.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTimer>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

using namespace kt90;

namespace {

class Rotctl : public LinkFixture {
protected:
    std::unique_ptr<TRotctlServer> rot;
    std::vector<std::unique_ptr<QTcpSocket>> clients;

    void SetUp() override
    {
        LinkFixture::SetUp();
        FillDefaults(current); // M1 -180..540, M2 -15..195
    }
    void TearDown() override
    {
        clients.clear();
        rot.reset();
        LinkFixture::TearDown();
    }
    // The server over a link that has downloaded the simulator's block
    // (M1 azimuth -180..540, M2 elevation -15..195) unless told not to.
    void serve(Via via = Via::Tcp, bool download = true, TRotctlSettings s = parked())
    {
        open(via);
        if (download) {
            link->ROTn_GetVars(true);
            ASSERT_TRUE(link->ConfigurationKnown());
        }
        rot = std::make_unique<TRotctlServer>(*link, s);
        ASSERT_TRUE(rot->start()) << rot->status().toStdString();
    }
    static TRotctlSettings parked()
    {
        TRotctlSettings s;
        s.port = 0;
        s.parkAzimuth = 180;
        s.parkElevation = 10;
        return s;
    }
    // The motors' kinds in the simulator's block.
    void kinds(std::uint8_t m1, std::uint8_t m2)
    {
        TktFRAMParams b = ctl.block();
        b.setU8(TktFRAMParams::motorField(0, offs::motorRec::kind), m1);
        b.setU8(TktFRAMParams::motorField(1, offs::motorRec::kind), m2);
        ctl.setBlock(b);
    }
    QTcpSocket* client()
    {
        clients.push_back(std::make_unique<QTcpSocket>());
        clients.back()->connectToHost("127.0.0.1", rot->port());
        EXPECT_TRUE(clients.back()->waitForConnected(1000));
        return clients.back().get();
    }
    // One request, and the answer once its lines are all in.
    QByteArray ask(QTcpSocket* c, const QByteArray& line, int lines)
    {
        c->write(line);
        QByteArray got;
        const bool complete = QTest::qWaitFor(
            [&] {
                got += c->readAll();
                return got.count('\n') >= lines;
            },
            2000);
        EXPECT_TRUE(complete) << line.data() << " answered " << got.data();
        return got;
    }
    std::vector<Frame> sent()
    {
        server->advance(1);
        return received();
    }
};

} // namespace

TEST_F(Rotctl, RequestsAndAnswers)
{
    ctl.setAngle(0, 12.5);
    ctl.setAngle(1, 45);
    serve();
    link->SendStatusQuery();
    QTcpSocket* c = client();
    struct Case {
        QByteArray request;
        QByteArray answer;
        std::optional<Frame> frame; // the command the controller gets, if any
    };
    const Case cases[] = {
        {"p\n", "12.50\n45.00\n", std::nullopt},
        {"\\get_pos\r\n", "12.50\n45.00\n", std::nullopt},
        {"+p\n", "get_pos:\nAzimuth: 12.50\nElevation: 45.00\nRPRT 0\n", std::nullopt},
        // several on a line, each answered
        {"p p\n", "12.50\n45.00\n12.50\n45.00\n", std::nullopt},
        {"P 1 2 p\n", "RPRT 0\n12.50\n45.00\n", setPositionCommand(1, 10, 2, 10)},
        {"P 120 30\n", "RPRT 0\n", setPositionCommand(120, 10, 30, 10)},
        {"P 120,5 30,25\n", "RPRT 0\n", setPositionCommand(120.5, 10, 30.25, 10)},
        {"\\set_pos 200.0 -5\n", "RPRT 0\n", setPositionCommand(200, 10, -5, 10)},
        {"+P 10 20\n", "set_pos: 10 20\nRPRT 0\n", setPositionCommand(10, 10, 20, 10)},
        {"P 600 0\n", "RPRT -1\n", std::nullopt},  // beyond M1's max angle
        {"P 10 200\n", "RPRT -1\n", std::nullopt}, // beyond M2's
        {"P north up\n", "RPRT -1\n", std::nullopt},
        {"S\n", "RPRT 0\n", stopCommand()},
        {"K\n", "RPRT 0\n", setPositionCommand(180, 10, 10, 10)},
        {"M 2 50\n", "RPRT 0\n", jogCommand(kJogUp)},
        {"\\move 16 0\n", "RPRT 0\n", jogCommand(kJogRight)},
        {"M 3 0\n", "RPRT -1\n", std::nullopt},
        {"\\stop\n", "RPRT 0\n", stopCommand()},
        {"_\n", "NORVAK KT-90\n", std::nullopt},
        {"+_\n", "get_info:\nInfo: NORVAK KT-90\nRPRT 0\n", std::nullopt},
        {"\\dump_state\n",
         "1\n1\nmin_az=-180.000000\nmax_az=540.000000\nmin_el=-15.000000\nmax_el=195.000000\n"
         "south_zero=0\nrot_type=AzEl\ndone\n",
         std::nullopt},
        {"\\get_status\n", "RPRT -4\n", std::nullopt},
        {"zz\n", "RPRT -4\n", std::nullopt},
        {"P 10\n", "RPRT -1\n", std::nullopt},
    };
    for (const auto& cs : cases) {
        const std::size_t before = sent().size();
        EXPECT_EQ(ask(c, cs.request, cs.answer.count('\n')), cs.answer) << cs.request.data();
        const auto after = sent();
        if (cs.frame) {
            ASSERT_EQ(after.size(), before + 1) << cs.request.data();
            EXPECT_EQ(after.back(), *cs.frame) << cs.request.data();
        } else {
            EXPECT_EQ(after.size(), before) << cs.request.data();
        }
    }
    EXPECT_EQ(link->fButtons(), 0u) << "stop cleared the jog";
}

TEST_F(Rotctl, WithoutAControllerNothingIsSentOrInvented)
{
    ctl.setAngle(0, 12.5);
    serve();
    link->SendStatusQuery();
    link->CloseTransports();
    const std::size_t before = received().size();
    QTcpSocket* c = client();
    for (const char* r : {"P 1 1\n", "S\n", "K\n", "M 2 0\n", "p\n"})
        EXPECT_EQ(ask(c, r, 1), "RPRT -6\n") << r;
    EXPECT_EQ(ask(c, "+p\n", 2), "get_pos:\nRPRT -6\n");
    EXPECT_EQ(received().size(), before);
}

// Before the first position reply there is no position to give, and before
// the first download no limits but the frame's own; never zeros, which a
// client would cache and then refuse every later set_pos with.
TEST_F(Rotctl, BeforeTheControllerHasSpoken)
{
    serve(Via::Tcp, false);
    QTcpSocket* c = client();
    EXPECT_EQ(ask(c, "p\n", 1), "RPRT -6\n");
    EXPECT_EQ(ask(c, "\\dump_state\n", 9),
              "1\n1\nmin_az=-359.900000\nmax_az=639.900000\nmin_el=-359.900000\n"
              "max_el=639.900000\nsouth_zero=0\nrot_type=AzEl\ndone\n");
    EXPECT_EQ(ask(c, "P 600 300\n", 1), "RPRT 0\n");
    EXPECT_EQ(received().back(), setPositionCommand(600, 10, 300, 10));
}

// Three polls without a reply: the position shown is no longer the
// rotator's, and is not given out.
TEST_F(Rotctl, ALostControllerGivesNoPosition)
{
    serve();
    link->SendStatusQuery();
    QTcpSocket* c = client();
    EXPECT_EQ(ask(c, "p\n", 2), "0.00\n0.00\n");
    faults.silent = true;
    server->setFaults(faults);
    link->StartPoll(settings.pooling);
    ASSERT_TRUE(waitFor([&] { return link->ControllerLost(); }, 5000));
    EXPECT_EQ(ask(c, "p\n", 1), "RPRT -6\n");
    EXPECT_EQ(ask(c, "P 10 10\n", 1), "RPRT -6\n");
}

// hamlib's azimuth is the motor whose kind is azimuth, whichever it is.
TEST_F(Rotctl, TheAxesFollowTheMotorsKinds)
{
    kinds(kKindElevation, kKindAzimuth);
    ctl.setAngle(0, 30);
    ctl.setAngle(1, 200);
    serve();
    link->SendStatusQuery();
    QTcpSocket* c = client();
    EXPECT_EQ(ask(c, "p\n", 2), "200.00\n30.00\n");
    EXPECT_EQ(ask(c, "P 100 20\n", 1), "RPRT 0\n");
    EXPECT_EQ(received().back(), setPositionCommand(20, 10, 100, 10));
    EXPECT_EQ(ask(c, "M 16 0\n", 1), "RPRT 0\n");
    EXPECT_EQ(received().back(), jogCommand(kJogUp)) << "RIGHT turns the azimuth motor, M2";
    EXPECT_EQ(ask(c, "M 4 0\n", 1), "RPRT 0\n");
    EXPECT_EQ(received().back(), jogCommand(kJogLeft)) << "DOWN lowers the elevation motor, M1";
    const QByteArray dump = ask(c, "\\dump_state\n", 9);
    EXPECT_TRUE(dump.contains("min_az=-15.000000\nmax_az=195.000000\nmin_el=-180.000000\n"))
        << dump.data() << "the limits of the motor of each kind";
}

TEST_F(Rotctl, WithoutAnElevationMotorSetPositionIsRefused)
{
    kinds(kKindAzimuth, kKindAzimuth);
    serve();
    link->SendStatusQuery();
    const std::size_t before = received().size();
    QTcpSocket* c = client();
    EXPECT_EQ(ask(c, "P 10 10\n", 1), "RPRT -11\n");
    EXPECT_EQ(ask(c, "M 2 0\n", 1), "RPRT -11\n");
    EXPECT_EQ(received().size(), before);
}

// A client that started a move and goes away, however, stops it.
TEST_F(Rotctl, AMoveEndsWithItsClient)
{
    serve();
    struct Leaving {
        const char* how;
        std::function<void(QTcpSocket*)> leave;
        bool beforeTheMove; // the idle timer restarts with the move's line
    };
    const Leaving ways[] = {
        {"disconnects", [](QTcpSocket* c) { c->disconnectFromHost(); }, false},
        {"quits", [](QTcpSocket* c) { c->write("q\n"); }, false},
        {"sends an over-long line", [](QTcpSocket* c) { c->write(QByteArray(400, 'x')); }, false},
        {"idles", [this](QTcpSocket*) { rot->setIdleTimeout(50); }, true},
    };
    for (const auto& way : ways) {
        rot->setIdleTimeout(TRotctlServer::kIdleMs);
        QTcpSocket* c = client();
        if (way.beforeTheMove)
            way.leave(c);
        EXPECT_EQ(ask(c, "M 8 0\n", 1), "RPRT 0\n") << way.how;
        ASSERT_EQ(link->fButtons(), kJogLeft);
        const std::size_t before = received().size();
        if (!way.beforeTheMove)
            way.leave(c);
        EXPECT_TRUE(receivedCount(before + 1)) << way.how;
        EXPECT_EQ(received().back(), stopCommand()) << way.how;
        EXPECT_EQ(link->fButtons(), 0u) << way.how;
    }
    // Another client's leaving leaves a move alone.
    rot->setIdleTimeout(TRotctlServer::kIdleMs);
    QTcpSocket* mover = client();
    QTcpSocket* other = client();
    EXPECT_EQ(ask(mover, "M 16 0\n", 1), "RPRT 0\n");
    const std::size_t before = received().size();
    other->disconnectFromHost();
    QTest::qWait(100);
    EXPECT_EQ(received().size(), before);
    EXPECT_EQ(link->fButtons(), kJogRight);
}

// A client is answered while the link waits for a TCP controller that does
// not answer; before, the blocking read held every client for the time-out.
TEST_F(Rotctl, ClientsAreServedWhileTheControllerIsAwaited)
{
    faults.silent = true;
    settings.timeout = 600;
    serve(Via::Tcp, false);
    QTcpSocket* c = client();
    std::optional<int> stateAtAnswer;
    QObject::connect(c, &QTcpSocket::readyRead, [&] {
        if (!stateAtAnswer)
            stateAtAnswer = link->fState();
    });
    QTimer::singleShot(0, [&] { EXPECT_THROW(link->SendStatusQuery(), ETcpReadTimeout); });
    QTimer::singleShot(50, [&] { c->write("_\n"); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return stateAtAnswer.has_value(); }, 3000));
    EXPECT_EQ(stateAtAnswer, ExchangeBusy) << "answered only once the exchange ended";
}

TEST_F(Rotctl, BoundedInput)
{
    serve();
    QTcpSocket* longLine = client();
    longLine->write(QByteArray(300, 'p'));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return longLine->state() != QTcpSocket::ConnectedState; }, 2000));
    QTcpSocket* longWithEnd = client();
    longWithEnd->write(QByteArray(300, ' ') + "p\n");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return longWithEnd->state() != QTcpSocket::ConnectedState; }, 2000));

    std::vector<QTcpSocket*> four;
    for (int i = 0; i < 4; ++i)
        four.push_back(client());
    ASSERT_TRUE(QTest::qWaitFor([&] { return rot->clientCount() == 4; }, 2000));
    QTcpSocket* fifth = client();
    QByteArray said;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            said += fifth->readAll();
            return fifth->state() != QTcpSocket::ConnectedState;
        },
        2000));
    said += fifth->readAll();
    EXPECT_EQ(said, "RPRT -6\n") << "the refused client is told before the close";
    EXPECT_EQ(ask(four[3], "_\n", 1), "NORVAK KT-90\n");
    EXPECT_TRUE(rot->status().contains("4 clients")) << rot->status().toStdString();
}

TEST_F(Rotctl, AnIdleClientIsDropped)
{
    serve();
    rot->setIdleTimeout(100);
    QTcpSocket* c = client();
    EXPECT_TRUE(QTest::qWaitFor([&] { return c->state() != QTcpSocket::ConnectedState; }, 2000));
}

TEST_F(Rotctl, AClientVanishingMidCommand)
{
    clock = kt90::sim::Clock::Real;
    faults.delayMs = 150;
    serve(Via::Pty, false);
    QTcpSocket* c = client();
    c->write("S\n");
    c->flush();
    ASSERT_TRUE(QTest::qWaitFor([&] { return received().size() == 1; }, 2000));
    c->abort();
    QTest::qWait(300); // the stop's reply comes and goes to nobody
    QTcpSocket* next = client();
    EXPECT_EQ(ask(next, "_\n", 1), "NORVAK KT-90\n");
}

TEST_F(Rotctl, AnswersComeInOneWrite)
{
    serve();
    // A client as Gpredict is: one send, then one recv.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(rot->port());
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    link->SendStatusQuery();
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(send(fd, "+p\n", 3, 0), 3);
        pollfd p{fd, POLLIN, 0};
        ASSERT_TRUE(QTest::qWaitFor([&] { return poll(&p, 1, 0) == 1; }, 2000));
        char buf[256];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        ASSERT_EQ(std::string(buf, static_cast<std::size_t>(n)),
                  "get_pos:\nAzimuth: 0.00\nElevation: 0.00\nRPRT 0\n");
    }
    ::close(fd);
}

TEST_F(Rotctl, ThePortInUseIsSaid)
{
    serve();
    TRotctlSettings s;
    s.port = rot->port();
    TRotctlServer second(*link, s);
    EXPECT_FALSE(second.start());
    EXPECT_TRUE(second.status().startsWith("rotctld: not listening on 127.0.0.1:"))
        << second.status().toStdString();
    TRotctlSettings off;
    off.enabled = false;
    TRotctlServer none(*link, off);
    EXPECT_FALSE(none.start());
    EXPECT_EQ(none.status(), "rotctld: off");
}

TEST_F(Rotctl, TheRealRotctlClient)
{
    const QString rotctl = QStandardPaths::findExecutable("rotctl");
    if (rotctl.isEmpty())
        GTEST_SKIP() << "rotctl (libhamlib-utils) is not installed";
    ctl.setAngle(0, 33.3);
    serve();
    link->SendStatusQuery();
    QProcess p;
    p.start(rotctl,
            {"-m", "2", "-r", QString("127.0.0.1:%1").arg(rot->port()), "P", "120", "30", "p"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(received().back(), setPositionCommand(120, 10, 30, 10));
    EXPECT_EQ(p.readAllStandardOutput(), "33.30\n0.00\n");
}

TEST_F(Rotctl, TheSameShapeAsRotctld)
{
    const QString rotctld = QStandardPaths::findExecutable("rotctld");
    if (rotctld.isEmpty())
        GTEST_SKIP() << "rotctld (libhamlib-utils) is not installed";
    serve();
    QTcpServer probe; // a free port for the dummy rotator
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    QProcess dummy;
    dummy.start(rotctld, {"-m", "1", "-T", "127.0.0.1", "-t", QString::number(port)});
    ASSERT_TRUE(dummy.waitForStarted());
    QTcpSocket theirs;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            theirs.connectToHost("127.0.0.1", port);
            return theirs.waitForConnected(100);
        },
        5000));
    QTcpSocket* ours = client();
    const auto keys = [](const QByteArray& answer) {
        QList<QByteArray> k;
        for (const QByteArray& line : answer.split('\n'))
            k << line.split('=').front();
        return k;
    };
    const QByteArray dumpTheirs = ask(&theirs, "\\dump_state\n", 9);
    const QByteArray dumpOurs = ask(ours, "\\dump_state\n", 9);
    EXPECT_EQ(keys(dumpOurs), keys(dumpTheirs));
    struct Same {
        const char* request;
        int lines;
    };
    const Same same[] = {
        {"P 10 20\n", 1},
        {"S\n", 1},
        {"K\n", 1},
        {"M 2 0\n", 1},
        {"+P 10 20\n", 2},
        {"+S\n", 2},
        {"S S\n", 2},
        {"P 10 20 S\n", 2},
        {"M 8 0 S\n", 2},
        {"+K +S\n", 4},
        {"\\set_pos 1,5 2\n", 1},
    };
    for (const auto& r : same)
        EXPECT_EQ(ask(ours, r.request, r.lines), ask(&theirs, r.request, r.lines)) << r.request;
    // A position: the same shape, two numbers or the extended block.
    for (const char* r : {"p p\n", "+p\n", "P 1 2 p\n"}) {
        const int lines = r[0] == '+' ? 4 : r[0] == 'P' ? 3 : 4;
        EXPECT_EQ(keys(ask(ours, r, lines)).size(), keys(ask(&theirs, r, lines)).size()) << r;
    }
    theirs.write("q\n");
    dummy.kill();
    dummy.waitForFinished();
}

// Beyond loopback only the networks named in Allow; a second loopback
// address stands for a stranger.
TEST_F(Rotctl, OnlyAllowedPeersAreServed)
{
    TRotctlSettings s = parked();
    s.allow = "127.0.0.1/32, not-a-network";
    serve(Via::Tcp, true, s);
    QTcpSocket stranger;
    ASSERT_TRUE(stranger.bind(QHostAddress("127.0.0.2"), 0));
    stranger.connectToHost("127.0.0.1", rot->port());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return stranger.state() == QAbstractSocket::UnconnectedState; }, 2000));
    EXPECT_EQ(rot->clientCount(), 0);
    EXPECT_EQ(ask(client(), "_\n", 1), "NORVAK KT-90\n");

    // A bind address beyond loopback without a list stays on loopback.
    TRotctlSettings open = parked();
    open.bind = "0.0.0.0";
    TRotctlServer wide(*link, open);
    ASSERT_TRUE(wide.start());
    EXPECT_TRUE(wide.status().startsWith("rotctld: 127.0.0.1:")) << wide.status().toStdString();
    EXPECT_TRUE(wide.status().contains("Bind needs Allow")) << wide.status().toStdString();

    EXPECT_TRUE(TClientFilter::Parse("10.0.0.0/8").Allows(QHostAddress("::ffff:10.1.2.3")));
    EXPECT_FALSE(TClientFilter::Parse("10.0.0.0/8").Allows(QHostAddress("11.0.0.1")));
    EXPECT_FALSE(TClientFilter::Parse("").Allows(QHostAddress("192.168.1.5")));
    EXPECT_TRUE(TClientFilter::Parse("").Allows(QHostAddress("::1")));
}
