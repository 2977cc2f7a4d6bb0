// SPDX-License-Identifier: GPL-3.0-or-later
#include "kt90sim/simserver.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

using namespace kt90;
using namespace kt90::sim;

namespace {

constexpr int kDeadlineMs = 3000;

// Reads up to n bytes, giving up at the deadline or at end of stream.
Frame readUpTo(int fd, std::size_t n, int deadlineMs = kDeadlineMs)
{
    using clock = std::chrono::steady_clock;
    const auto until = clock::now() + std::chrono::milliseconds(deadlineMs);
    Frame got;
    while (got.size() < n) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        std::uint8_t buf[1024];
        const ssize_t r = read(fd, buf, std::min(sizeof buf, n - got.size()));
        if (r <= 0)
            break;
        got.insert(got.end(), buf, buf + r);
    }
    return got;
}

void writeAll(int fd, const Frame& f)
{
    ASSERT_EQ(write(fd, f.data(), f.size()), ssize_t(f.size()));
}

Frame defaultDownload()
{
    TktFRAMParams b;
    FillDefaults(b);
    b.setPulses(0, 0);
    b.setPulses(1, 0);
    return blockReadReply(0, b.bytes.data(), b.bytes.size());
}

std::string tempPath(const char* name)
{
    return ::testing::TempDir() + name + std::to_string(getpid());
}

// The simulator in a thread of its own, on a clock the test moves.
struct ServerFixture : ::testing::Test {
    SimController ctl;
    SimFaults faults;
    std::unique_ptr<SimServer> server;
    std::vector<int> fds;

    void serve() { server = std::make_unique<SimServer>(ctl, faults, Clock::Manual); }
    void TearDown() override
    {
        if (server)
            server->stop();
        for (int fd : fds)
            close(fd);
    }

    int connectTcp()
    {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(server->tcpPort());
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        fds.push_back(fd);
        return fd;
    }

    int openSerial(const std::string& path)
    {
        const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
        EXPECT_GE(fd, 0) << path;
        termios t;
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        fds.push_back(fd);
        return fd;
    }
};

} // namespace

TEST_F(ServerFixture, TcpAnswersStatusSetPositionAndBlockRead)
{
    serve();
    server->listenTcp("127.0.0.1", 0);
    server->start();
    const int fd = connectTcp();

    writeAll(fd, statusCommand());
    EXPECT_EQ(readUpTo(fd, 12), positionReply(0, 10, 0, 10));

    // Over TCP the set-position command is answered too.
    writeAll(fd, setPositionCommand(120, 10, 30, 10));
    EXPECT_EQ(readUpTo(fd, 12).size(), 12u);

    writeAll(fd, blockReadCommand(0));
    EXPECT_EQ(readUpTo(fd, 498), defaultDownload());
}

TEST_F(ServerFixture, PtyAnswersAndGivesNoReplyToSetPosition)
{
    serve();
    const std::string link = tempPath("kt90sim-pty");
    server->openPty(link);
    server->start();
    const int fd = openSerial(link);

    writeAll(fd, setPositionCommand(12, 10, 6, 10));
    writeAll(fd, statusCommand());
    // Only the status reply comes back; the set position had none.
    EXPECT_EQ(readUpTo(fd, 12), positionReply(0, 10, 0, 10));
    EXPECT_TRUE(readUpTo(fd, 1, 100).empty());

    // The clock is the test's: two seconds at 6 degrees a second.
    server->advance(2000);
    writeAll(fd, statusCommand());
    EXPECT_EQ(readUpTo(fd, 12), positionReply(12, 10, 6, 10));

    writeAll(fd, blockReadCommand(0));
    const Frame block = readUpTo(fd, 498);
    ASSERT_EQ(block.size(), 498u);
    TktFRAMParams got;
    std::copy(block.begin() + 2, block.end(), got.bytes.begin());
    EXPECT_EQ(got.pulses(0), 128); // 12 / 0.09375
    EXPECT_EQ(got.pulses(1), 64);
}

TEST_F(ServerFixture, SplitRepliesArriveAsPiecesWhenTheClockMoves)
{
    faults.pieces = {5, 4, 3};
    faults.pieceGapMs = 10;
    serve();
    server->listenTcp("127.0.0.1", 0);
    server->start();
    const int fd = connectTcp();
    writeAll(fd, statusCommand());
    EXPECT_EQ(readUpTo(fd, 12, 300).size(), 5u);
    server->advance(10);
    EXPECT_EQ(readUpTo(fd, 12, 300).size(), 4u);
    server->advance(10);
    EXPECT_EQ(readUpTo(fd, 12, 300).size(), 3u);
}

TEST_F(ServerFixture, DelayedReplyWaitsForTheClock)
{
    faults.delayMs = 1000;
    serve();
    server->listenTcp("127.0.0.1", 0);
    server->start();
    const int fd = connectTcp();
    writeAll(fd, statusCommand());
    EXPECT_TRUE(readUpTo(fd, 12, 100).empty());
    server->advance(1000);
    EXPECT_EQ(readUpTo(fd, 12).size(), 12u);
}

TEST_F(ServerFixture, CloseAfterHangsUpTheConnection)
{
    faults.closeAfter = 1;
    serve();
    server->listenTcp("127.0.0.1", 0);
    server->start();
    const int fd = connectTcp();
    writeAll(fd, statusCommand());
    EXPECT_EQ(readUpTo(fd, 12).size(), 12u);
    writeAll(fd, statusCommand());
    std::uint8_t b;
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, kDeadlineMs), 1);
    EXPECT_EQ(read(fd, &b, 1), 0); // end of stream
}

TEST_F(ServerFixture, FaultsChangeOnALiveConnection)
{
    serve();
    server->listenTcp("127.0.0.1", 0);
    server->start();
    const int fd = connectTcp();
    SimFaults silent;
    silent.silent = true;
    server->setFaults(silent);
    writeAll(fd, statusCommand());
    EXPECT_TRUE(readUpTo(fd, 12, 100).empty());
    server->setFaults({});
    writeAll(fd, statusCommand());
    EXPECT_EQ(readUpTo(fd, 12).size(), 12u);
}

TEST_F(ServerFixture, PtyLinkReplacesAnOldLinkButNoOtherFile)
{
    const std::string link = tempPath("kt90sim-link");
    ASSERT_EQ(symlink("/nonexistent", link.c_str()), 0);
    serve();
    server->openPty(link);
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), server->ptySlave());
    server.reset();
    EXPECT_NE(access(link.c_str(), F_OK), 0) << "link left behind";

    const std::string file = tempPath("kt90sim-file");
    FILE* f = std::fopen(file.c_str(), "w");
    std::fclose(f);
    serve();
    EXPECT_THROW(server->openPty(file), std::runtime_error);
    EXPECT_EQ(access(file.c_str(), F_OK), 0);
    unlink(file.c_str());
}

TEST_F(ServerFixture, WireEmulationHoldsRepliesForTheirTimeOnTheLine)
{
    server = std::make_unique<SimServer>(ctl, faults, Clock::Real);
    server->setWireEmulation(true);
    const std::string link = tempPath("kt90sim-wire");
    server->openPty(link);
    server->start();
    const int fd = openSerial(link);
    termios t;
    tcgetattr(fd, &t);
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);

    const auto start = std::chrono::steady_clock::now();
    writeAll(fd, statusCommand());
    EXPECT_EQ(readUpTo(fd, 12).size(), 12u);
    const auto took = std::chrono::steady_clock::now() - start;
    // 25 bytes of 10 bits at 9600 Bd cannot arrive sooner than 26 ms.
    EXPECT_GE(took, std::chrono::microseconds(25 * 10 * 1000000 / 9600));
}

TEST_F(ServerFixture, ListenOnABusyPortFails)
{
    serve();
    server->listenTcp("127.0.0.1", 0);
    SimController other;
    SimServer second(other, {}, Clock::Manual);
    EXPECT_THROW(second.listenTcp("127.0.0.1", server->tcpPort()), std::runtime_error);
}
