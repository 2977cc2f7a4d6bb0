// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fakeserialport.h"
#include "support/linkfixture.h"
#include "trackerfeed/feedserver.h"
#include "tracking/conversationpath.h"
#include "tracking/tracking.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

using namespace kt90;

namespace {

const QByteArray kLine = "SN\"AO 7\" AZ123,4 EL-5.5 UP145800000 DN437800000 UMFM DMusb AOS12:30";

class Tracker : public ::testing::Test {
protected:
    FakeSerialPort cp; // open; takes whatever is written
    TQtTcpClient tn;
    TktFRAMParams current;
    TestSettings settings;
    std::unique_ptr<TDeviceLink> link;
    std::unique_ptr<TOrbitronFrame> page;
    std::unique_ptr<TTracking> tracking;
    std::unique_ptr<TFeedServer> server;
    int starts = 0;

    void SetUp() override
    {
        link = std::make_unique<TDeviceLink>(cp, tn, current);
        link->setOptions(&settings);
        page = std::make_unique<TOrbitronFrame>();
        tracking = std::make_unique<TTracking>(*link, *page);
        tracking->Tracking.startProgram = [this](const QString&) {
            ++starts;
            return false;
        };
        tracking->ClearPage();
    }
    void TearDown() override
    {
        tracking.reset();
        server.reset();
        QLocale::setDefault(QLocale::c());
    }
    void serve(const QByteArray& text = kLine)
    {
        server = std::make_unique<TFeedServer>("Orbitron", "Tracking", "TrackingDataEx");
        ASSERT_TRUE(server->listen()) << server->errorString().toStdString();
        server->setText(text);
    }
    void click() { tracking->TrackingToogle(page->l_dd); }
    int tag() const { return page->l_dd->property("tag").toInt(); }
    std::vector<Frame> commands() const
    {
        std::vector<Frame> set;
        for (const auto& f : cp.written)
            if (isSetPositionCommand(f))
                set.push_back(f);
        return set;
    }
    bool cleared() const
    {
        return page->l_na->text().isEmpty() && page->l_az->text() == "0.0" &&
               page->l_el->text() == "0.0" && page->l_uf->text() == "0 Hz" &&
               page->l_df->text() == "0 Hz" && page->l_um->text().isEmpty() &&
               page->l_dm->text().isEmpty() && page->l_aos->text() == "None";
    }
};

} // namespace

TEST_F(Tracker, StartUpTexts)
{
    EXPECT_TRUE(cleared());
    EXPECT_EQ(page->l_dd->text(), "Closed");
    EXPECT_EQ(tag(), 0);
    EXPECT_EQ(page->size(), QSize(290, 119));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    tracking->ClearPage();
    EXPECT_EQ(page->l_az->text(), "0,0");
}

TEST_F(Tracker, OpeningShowsTheLineAndSendsOneCommand)
{
    serve();
    click();
    EXPECT_EQ(page->l_dd->text(), "Opened");
    EXPECT_EQ(tag(), 1);
    EXPECT_EQ(page->l_na->text(), "AO 7");
    EXPECT_EQ(page->l_az->text(), "123.4");
    EXPECT_EQ(page->l_el->text(), "-5.5");
    EXPECT_EQ(page->l_uf->text(), "145800000 Hz");
    EXPECT_EQ(page->l_dm->text(), "USB");
    EXPECT_EQ(page->l_aos->text(), "AOS (12:30)");
    EXPECT_EQ(commands(), std::vector<Frame>{setPositionCommand(123.4, 10, -5.5, 10)});

    // Each notice: parsed, shown, one command, also for the same values.
    server->setText("AZ10 EL20");
    ASSERT_TRUE(QTest::qWaitFor([&] { return commands().size() == 2; }, 2000));
    server->setText("AZ10 EL20");
    ASSERT_TRUE(QTest::qWaitFor([&] { return commands().size() == 3; }, 2000));
    EXPECT_EQ(commands()[2], setPositionCommand(10, 10, 20, 10));
    EXPECT_EQ(page->l_aos->text(), "None");
    EXPECT_EQ(starts, 0);
}

TEST_F(Tracker, StateTable)
{
    // closed, 0 -> click with nothing to talk to: the start runs once, and
    // the flag is set all the same.
    click();
    EXPECT_EQ(page->l_dd->text(), "Closed");
    EXPECT_EQ(tag(), 1);
    EXPECT_EQ(starts, 1);
    // closed, 1 -> click: only the flag.
    click();
    EXPECT_EQ(tag(), 0);
    EXPECT_EQ(starts, 1);
    // A third click tries again, and now the tracker is there.
    serve();
    click();
    EXPECT_EQ(page->l_dd->text(), "Opened");
    EXPECT_EQ(tag(), 1);
    // open, 1 -> click: closed and cleared.
    click();
    EXPECT_EQ(page->l_dd->text(), "Closed");
    EXPECT_EQ(tag(), 0);
    EXPECT_TRUE(cleared());
    // open, 1 -> the tracker quits: closed and cleared, the flag stays.
    click();
    ASSERT_EQ(page->l_dd->text(), "Opened");
    const std::size_t sent = commands().size();
    server.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->l_dd->text() == "Closed"; }, 2000));
    EXPECT_TRUE(cleared());
    EXPECT_EQ(tag(), 1);
    EXPECT_EQ(commands().size(), sent) << "closing commands nothing";
    click();
    EXPECT_EQ(tag(), 0);
}

TEST_F(Tracker, AStartCommandThatBringsTheTrackerUp)
{
    tracking->Tracking.startProgram = [this](const QString& command) {
        EXPECT_EQ(command, "orbitron");
        ++starts;
        QTimer::singleShot(200, [this] { serve(); }); // the tracker takes a moment
        return true;
    };
    click();
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(page->l_dd->text(), "Opened");
    EXPECT_EQ(commands().size(), 1u);
}

TEST_F(Tracker, RefusedAdviseStillOpens)
{
    serve();
    server->refuseAdvise = true;
    click();
    EXPECT_EQ(page->l_dd->text(), "Opened");
    const std::size_t sent = commands().size();
    server->setText("AZ1 EL1");
    QTest::qWait(100); // nothing is expected to come: give it the chance
    EXPECT_EQ(commands().size(), sent);
}

TEST_F(Tracker, ARequestWithoutAnswerKeepsTheRecord)
{
    serve();
    click();
    ASSERT_EQ(page->l_na->text(), "AO 7");
    server->answerRequests = false;
    server->setText("SNOTHER AZ1 EL1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return server->requestsServed() == 2; }, 2000));
    QTest::qWait(TDdeConversation::kAnswerTimeoutMs + 100);
    EXPECT_EQ(page->l_na->text(), "AO 7");
    EXPECT_EQ(commands().size(), 1u);
}

TEST_F(Tracker, ReceivedText)
{
    serve(QByteArray("AZ1\tEL2\r\n", 9));
    click();
    EXPECT_EQ(tracking->Tracking.Text(), "AZ1 EL2  ");
    EXPECT_EQ(commands().back(), setPositionCommand(1, 10, 2, 10));
    server->setText(QByteArray("AZ3 EL4\0AZ9 EL9", 15)); // cut at the zero byte
    ASSERT_TRUE(QTest::qWaitFor([&] { return commands().size() == 2; }, 2000));
    EXPECT_EQ(commands().back(), setPositionCommand(3, 10, 4, 10));
    server->setText(""); // an empty answer keeps the previous line, sent again
    ASSERT_TRUE(QTest::qWaitFor([&] { return commands().size() == 3; }, 2000));
    EXPECT_EQ(commands().back(), setPositionCommand(3, 10, 4, 10));
}

TEST_F(Tracker, ALineThatDoesNotSayWhereMovesNothing)
{
    serve("SNNOPOS");
    click();
    EXPECT_EQ(page->l_na->text(), "NOPOS");
    for (const char* line : {"          ", "AZ5", "EL5", "AZ12X EL3", "AZ EL"}) {
        server->setText(line);
        QTest::qWait(50);
    }
    EXPECT_TRUE(commands().empty());
    server->setText("AZ0 EL-5"); // negative elevations go out as they are
    ASSERT_TRUE(QTest::qWaitFor([&] { return commands().size() == 1; }, 2000));
    const Frame sent = commands()[0];
    EXPECT_EQ(std::string(sent.begin() + 6, sent.begin() + 10), "3550");
}

TEST_F(Tracker, ADataChangeWithTheLinkClosedSendsNothing)
{
    cp.opened = false;
    serve();
    click();
    EXPECT_EQ(page->l_az->text(), "123.4");
    EXPECT_TRUE(cp.written.empty());
}

TEST(TrackerLocation, BesideOursElseThePerUserPath)
{
    QTemporaryDir dir;
    EXPECT_EQ(TTracking::LocateTracker(dir.path()), "orbitron");
    {
        QSettings user(QSettings::NativeFormat, QSettings::UserScope, "Quellmark", "Orbitron");
        user.setValue("Path", "/opt/orbitron/");
    }
    EXPECT_EQ(TTracking::LocateTracker(dir.path()), "/opt/orbitron/orbitron");
    QFile exe(dir.filePath("orbitron"));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.write("#!/bin/sh\n");
    exe.close();
    exe.setPermissions(exe.permissions() | QFile::ExeOwner);
    EXPECT_EQ(TTracking::LocateTracker(dir.path()), dir.filePath("orbitron"));
}

// A data change during a serial wait goes out after that exchange.
TEST_F(LinkFixture, TrackerCommandWaitsForTheExchangeInProgress)
{
    clock = kt90::sim::Clock::Real;
    faults.delayMs = 150;
    open(Via::Pty);
    TOrbitronFrame page;
    TTracking tracking(*link, page);
    TFeedServer feed("Orbitron", "Tracking", "TrackingDataEx");
    ASSERT_TRUE(feed.listen());
    feed.setText("SNX"); // no position: opening sends nothing
    tracking.TrackingToogle(page.l_dd);
    ASSERT_EQ(page.l_dd->text(), "Opened");
    QTimer::singleShot(20, [&] { feed.setText("AZ10 EL20"); });
    EXPECT_TRUE(link->SendCommand(kt90::statusCommand(), 0));
    ASSERT_TRUE(receivedCount(2));
    const auto got = received();
    EXPECT_EQ(got[0], kt90::statusCommand());
    EXPECT_EQ(got[1], kt90::setPositionCommand(10, 10, 20, 10));
    const auto at = server->locked([](auto& c) { return c.receivedAt(); });
    EXPECT_GE(at[1], at[0] + 150);
}

// trackerfeed -> the tracking -> kt90sim.
TEST_F(LinkFixture, TrackerfeedToTheSimulator)
{
    open(Via::Tcp);
    QProcess feed;
    feed.start(TRACKERFEED_PATH, {"--quiet"});
    ASSERT_TRUE(feed.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return QFile::exists(ConversationPath("Orbitron", "Tracking")); }, 5000));
    TOrbitronFrame page;
    TTracking tracking(*link, page);
    tracking.Tracking.startProgram = [](const QString&) { return false; };
    feed.write("SN\"ISS\" AZ123.4 EL45\n");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            tracking.TrackingToogle(page.l_dd);
            if (page.l_dd->text() == "Opened" && page.l_na->text() == "ISS")
                return true;
            tracking.Tracking.CloseLink();
            page.l_dd->setProperty("tag", 0);
            return false;
        },
        5000));
    ASSERT_TRUE(receivedCount(1));
    feed.write("SN\"ISS\" AZ124.0 EL46\n");
    const kt90::Frame second = kt90::setPositionCommand(124.0, 10, 46, 10);
    ASSERT_TRUE(waitFor([&] {
        const auto got = received();
        return std::find(got.begin(), got.end(), second) != got.end();
    }));
    // A notice that crosses the first request brings the first line once
    // more; a repeat of the same position is all it may add.
    auto got = received();
    got.erase(std::unique(got.begin(), got.end()), got.end());
    EXPECT_EQ(got, (std::vector<kt90::Frame>{kt90::setPositionCommand(123.4, 10, 45, 10), second}));
    feed.kill();
    feed.waitForFinished();
}

// The conversation folder must be a folder of this user's own, closed to
// everyone else; otherwise another user could feed the panel positions or
// read them. Neither the panel nor the feed then uses it.
TEST(ConversationFolder, AnOpenForeignOrFakeFolderIsRefused)
{
    const QString dir = ConversationDirectory();
    const QByteArray path = QFile::encodeName(dir);
    ASSERT_EQ(ConversationDirectoryProblem(dir), QString()) << "a fresh folder is made 0700";
    struct stat st {};
    ASSERT_EQ(::stat(path.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const auto refusedEverywhere = [&](const QString& why) {
        EXPECT_EQ(ConversationDirectoryProblem(dir), why);
        TDdeConversation panel(QStringLiteral("Orbitron"), QStringLiteral("Tracking"),
                               QStringLiteral("TrackingDataEx"));
        bool started = false;
        panel.startProgram = [&](const QString&) { return started = true; };
        EXPECT_FALSE(panel.OpenLink());
        EXPECT_EQ(panel.Refusal(), why);
        EXPECT_FALSE(started) << "no tracker is started into such a folder";
        TFeedServer feed(QStringLiteral("Orbitron"), QStringLiteral("Tracking"),
                         QStringLiteral("TrackingDataEx"));
        EXPECT_FALSE(feed.listen());
        EXPECT_EQ(feed.errorString(), why);
    };

    ASSERT_EQ(::chmod(path.constData(), 0755), 0);
    refusedEverywhere(dir + " is open to other users (mode 0755)");
    ASSERT_EQ(::chmod(path.constData(), 0700), 0);

    if (getuid() == 0) { // only root can give a folder away
        ASSERT_EQ(::chown(path.constData(), 65534, 65534), 0);
        refusedEverywhere(dir + " belongs to another user");
        ASSERT_EQ(::chown(path.constData(), 0, 0), 0);
    }

    const QByteArray real = path + ".real";
    ASSERT_EQ(::rename(path.constData(), real.constData()), 0);
    ASSERT_EQ(::symlink(real.constData(), path.constData()), 0);
    refusedEverywhere(dir + " is not a folder");
    ::unlink(path.constData());
    ASSERT_EQ(::rename(real.constData(), path.constData()), 0);
    EXPECT_EQ(ConversationDirectoryProblem(dir), QString());
}
