// SPDX-License-Identifier: GPL-3.0-or-later
// kt90ctl run as a program against the simulator.

#include "kt90sim/simserver.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <unistd.h>

using namespace kt90;
using namespace kt90::sim;

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class Kt90Ctl : public ::testing::Test {
protected:
    SimController ctl;
    SimFaults faults;
    std::unique_ptr<SimServer> server;
    std::string pty;

    void serve()
    {
        server = std::make_unique<SimServer>(ctl, faults, Clock::Real);
        server->listenTcp("127.0.0.1", 0);
        pty = ::testing::TempDir() + "kt90ctl-" + std::to_string(getpid());
        server->openPty(pty);
        server->start();
    }
    void TearDown() override
    {
        if (server)
            server->stop();
    }
    QStringList tcp() const { return {"--tcp", QString("127.0.0.1:%1").arg(server->tcpPort())}; }
    QStringList serial() const { return {"--serial", QString::fromStdString(pty)}; }

    // The angle line uses the locale's decimal separator; pin it.
    static QProcessEnvironment environment()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "C");
        return env;
    }
    std::uint32_t jogMask()
    {
        return server->locked([](SimController& c) { return c.jogMask(); });
    }

    static Outcome run(const QStringList& args)
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(KT90CTL_PATH, args);
        EXPECT_TRUE(p.waitForFinished(10000)) << args.join(' ').toStdString();
        return {p.exitCode(), p.readAllStandardOutput().toStdString(),
                p.readAllStandardError().toStdString()};
    }
    std::vector<Frame> received()
    {
        return server->locked([](SimController& c) { return c.received(); });
    }
};

} // namespace

TEST_F(Kt90Ctl, StatusPrintsTheAngleLineAndTheCells)
{
    ctl.setAngle(0, 12.5);
    ctl.setOutputs(0x05);
    serve();
    for (const auto& via : {tcp(), serial()}) {
        const Outcome r = run(via + QStringList{"status"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        // The letters come from the motors' kinds in the controller's block.
        EXPECT_EQ(r.out, "A1:  12.5  E2:   0.0\nOUTS  1 2 3 4 5 6\nSTATE   #   # # # \n");
    }
}

TEST_F(Kt90Ctl, GotoMovesTheRotatorAndADashLeavesAnAxis)
{
    ctl.setAngle(1, 5.0);
    serve();
    EXPECT_EQ(run(serial() + QStringList{"goto", "120", "-"}).exitCode, 0);
    EXPECT_EQ(received().back(), setPositionCommand(120, 10, -360, 10));
    EXPECT_EQ(run(tcp() + QStringList{"goto", "-10.5", "30"}).exitCode, 0);
    server->locked([](SimController& c) {
        EXPECT_DOUBLE_EQ(c.target(0), -10.5);
        EXPECT_DOUBLE_EQ(c.target(1), 30.0);
        return 0;
    });
}

TEST_F(Kt90Ctl, OutputsStopAndJog)
{
    serve();
    const Outcome r = run(tcp() + QStringList{"outputs", "0x21"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("outputs 0x21"), std::string::npos) << r.out;
    EXPECT_EQ(run(tcp() + QStringList{"jog", "4"}).exitCode, 0);
    EXPECT_EQ(jogMask(), 4u);
    EXPECT_EQ(run(serial() + QStringList{"stop"}).exitCode, 0);
    EXPECT_EQ(jogMask(), 0u);
}

TEST_F(Kt90Ctl, BadUsageExitsTwo)
{
    serve();
    const QStringList cases[] = {
        {},
        {"status"},
        tcp() + serial() + QStringList{"status"},
        tcp() + QStringList{"fly"},
        tcp() + QStringList{"goto", "1"},
        tcp() + QStringList{"goto", "north", "1"},
        tcp() + QStringList{"jog", "16"},
        tcp() + QStringList{"outputs", "64"},
        tcp() + QStringList{"--timeout", "soon", "status"},
        tcp() + QStringList{"status", "--interval", "5"},
    };
    for (const auto& args : cases) {
        const Outcome r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_TRUE(received().empty());
}

TEST_F(Kt90Ctl, LinkAndControllerFailuresExitOneWithTheReason)
{
    faults.silent = true;
    serve();
    struct Case {
        QStringList args;
        std::string says;
    };
    const Case cases[] = {
        {serial() + QStringList{"--timeout", "200", "status"},
         "Command send error. Check settings and connections."},
        {serial() + QStringList{"--timeout", "200", "stop"}, "Timeout"},
        {tcp() + QStringList{"--timeout", "200", "status"}, "Read timed out."},
        {{"--tcp", "127.0.0.1:1", "status"}, "refused"},
        {{"--serial", "/nonexistent/tty", "status"}, ""},
    };
    for (const auto& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args.join(' ').toStdString();
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

TEST_F(Kt90Ctl, DownloadThenUploadAnEditedFile)
{
    ctl.setAngle(0, 45.0);
    serve();
    QTemporaryDir dir;
    const QString file = dir.filePath("cfg.ktcfg");
    const Outcome down = run(tcp() + QStringList{"download", file});
    EXPECT_EQ(down.exitCode, 0) << down.err;
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 496);
    const TktFRAMParams simBlock = server->locked([](SimController& c) { return c.block(); });
    EXPECT_EQ(std::memcmp(bytes.constData(), simBlock.bytes.data(), 496), 0);

    bytes[offs::pair_rotors] = 1;
    f.seek(0);
    f.write(bytes);
    f.close();
    const Outcome up = run(serial() + QStringList{"upload", file});
    EXPECT_EQ(up.exitCode, 0) << up.err;
    EXPECT_NE(up.out.find("Upload successful."), std::string::npos);
    EXPECT_EQ(server->locked([](SimController& c) { return c.block().u8(offs::pair_rotors); }), 1);
}

TEST_F(Kt90Ctl, UploadFailuresExitOne)
{
    ctl.settings().refuseAcknowledgements = true;
    serve();
    QTemporaryDir dir;
    const QString good = dir.filePath("good.ktcfg");
    const QString bad = dir.filePath("bad.ktcfg");
    for (const auto& [file, size] : {std::pair{good, 496}, std::pair{bad, 497}}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, '\0'));
    }
    const Outcome refused = run(tcp() + QStringList{"upload", good});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Initialization of upload data failed."), std::string::npos)
        << refused.err;
    const Outcome tooLong = run(tcp() + QStringList{"upload", bad});
    EXPECT_EQ(tooLong.exitCode, 1);
    EXPECT_NE(tooLong.err.find("Bad KT90 config file."), std::string::npos) << tooLong.err;
    const Outcome noFolder = run(tcp() + QStringList{"download", "/nonexistent/dir/x.ktcfg"});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_NE(noFolder.err.find("Cannot save"), std::string::npos) << noFolder.err;
}

TEST_F(Kt90Ctl, AnAngleTheFrameCannotCarryIsNotSent)
{
    serve();
    const Outcome r = run(tcp() + QStringList{"goto", "700", "0"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("700"), std::string::npos) << r.err;
    EXPECT_EQ(received(), (std::vector<Frame>{statusCommand()}));
}

TEST_F(Kt90Ctl, WatchPrintsChangesUntilInterrupted)
{
    ctl.settings().speed = 100;
    serve();
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(KT90CTL_PATH, tcp() + QStringList{"watch", "--interval", "20"});
    ASSERT_TRUE(p.waitForStarted());
    server->locked([](SimController& c) {
        c.handle(setPositionCommand(20, 10, -360, 10), Transport::Tcp);
        return 0;
    });
    QByteArray out;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            out += p.readAllStandardOutput();
            return out.contains("A1:  20.0");
        },
        5000))
        << out.toStdString();
    EXPECT_GT(out.count('\n'), 2) << "no intermediate lines";
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
}

TEST_F(Kt90Ctl, WatchEndsWhenTheConnectionIsLost)
{
    faults.closeAfter = 4;
    serve();
    const Outcome r = run(tcp() + QStringList{"watch", "--interval", "20"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("lost"), std::string::npos) << r.err;
}
