// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/stationsettings.h"
#include "settings/frameOptions.h"
#include "support/fakeserialport.h"

#include "core/errors.h"
#include "link/unhandled.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace {

struct FakeLister : IPortLister {
    QStringList ports;
    std::vector<TRefusedPort> refused;
    QStringList ListSerialPorts() override { return ports; }
    std::vector<TRefusedPort> RefusedPorts() const override { return refused; }
};

class OptionsPage : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini = dir.filePath("norvakKT90dde.ini");
    FakeSerialPort cp;
    FakeLister lister;
    std::vector<bool> powerShown;
    std::unique_ptr<TOptionsFrame> page;

    void SetUp() override { cp.opened = false; }

    void open()
    {
        page = std::make_unique<TOptionsFrame>(nullptr, ini, cp, lister,
                                               [this](bool on) { powerShown.push_back(on); });
    }
    void close() { page.reset(); }

    void store(const QByteArray& text)
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray file() const
    {
        QFile f(ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString stored(const char* key) const
    {
        return QString::fromStdString(
            kt90::SettingsFile(ini.toStdString()).ReadString("Options", key, "<missing>"));
    }
    QStringList menuCaptions(QMenu* m) const
    {
        QStringList c;
        for (QAction* a : m->actions())
            c << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return c;
    }
    void pick(QMenu* m, const QString& caption)
    {
        for (QAction* a : m->actions())
            if (a->text() == caption) {
                a->trigger();
                return;
            }
        ADD_FAILURE() << "no item " << caption.toStdString();
    }
};

} // namespace

// Hand-edited values the menus do not offer: outside their range the
// nearest end, inside it as written.
TEST_F(OptionsPage, IntervalsOutsideTheMenusAreTakenIntoTheirRange)
{
    const struct {
        const char* pooling;
        const char* timeout;
        int pollMs, timeoutMs;
    } cases[] = {
        {"0", "-1", 200, 200},
        {"99999999999", "2001", 2000, 2000},
        {"333", "1999", 333, 1999},
    };
    for (const auto& c : cases) {
        store(QByteArray("[Options]\nPooling (ms)=") + c.pooling + "\nTimeout (ms)=" + c.timeout +
              "\n");
        open();
        EXPECT_EQ(page->Pooling(), c.pollMs) << c.pooling;
        EXPECT_EQ(page->Timeout(), c.timeoutMs) << c.timeout;
        close();
    }
}

TEST_F(OptionsPage, WithoutASettingsFile)
{
    open();
    EXPECT_EQ(page->lbBaud->text(), "460 800");
    EXPECT_EQ(page->GetBaudrate(), 460800);
    EXPECT_EQ(page->lbPool->text(), " 250");
    EXPECT_EQ(page->lbTimeout->text(), " 500");
    EXPECT_EQ(page->Pooling(), 250);
    EXPECT_EQ(page->Timeout(), 500);
    EXPECT_EQ(page->lbPort->text(), "not selected");
    EXPECT_TRUE(page->rbtRS232->isChecked());
    EXPECT_FALSE(page->rbtETH->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(page->Label3), static_cast<QWidget*>(page->Label5),
                       static_cast<QWidget*>(page->edIP), static_cast<QWidget*>(page->edPort)})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_TRUE(page->lbPort->isEnabled());
    EXPECT_EQ(page->edIP->text(), "0.0.0.0");
    EXPECT_EQ(page->edPort->text(), "23");
    EXPECT_FALSE(page->chbShowPower->isChecked());
    EXPECT_EQ(powerShown, std::vector<bool>{false});
    EXPECT_EQ(page->Button1->text(), "Connect");
    EXPECT_EQ(page->ConnectTag(), 0);
    EXPECT_FALSE(page->LabelConnectionError->isVisibleTo(page.get()));
    EXPECT_FALSE(QFile::exists(ini)) << "created only by the first write";
    EXPECT_EQ(menuCaptions(page->pmnBaud), TOptionsFrame::RateCaptions());
    EXPECT_EQ(menuCaptions(page->pmnPooling), TOptionsFrame::IntervalCaptions());
    EXPECT_EQ(menuCaptions(page->pmnPorts), (QStringList{"Cancel", "Clear", "-"}));
    close();
    EXPECT_EQ(stored("Connect via"), "COM (RS232)");
}

TEST_F(OptionsPage, StoredValues)
{
    struct Case {
        QByteArray ini;
        QString baud;
        int pooling;
        QString poolText;
    };
    const Case cases[] = {
        {"[Options]\nBaudrate index=4\nPooling (ms)=333\n", "9 600", 333, " 333"},
        {"[Options]\nBaudrate index=99\nPooling (ms)=abc\n", "9 600", 250, " 250"},
        {"[Options]\nBaudrate index=8\nPooling (ms)=1250\n", "115 200", 1250, "1 250"},
        // Beyond the menu's range: its nearest end.
        {"[options]\nbaudrate index=-1\npooling (ms)=12345\n", "9 600", 2000, "2 000"},
    };
    for (const auto& c : cases) {
        store(c.ini);
        open();
        EXPECT_EQ(page->lbBaud->text(), c.baud);
        EXPECT_EQ(page->Pooling(), c.pooling);
        EXPECT_EQ(page->lbPool->text(), c.poolText);
        close();
    }
}

TEST_F(OptionsPage, TheIntervalMenuFromTheTimeOutChangesOnlyTheTimeOut)
{
    open();
    QTest::mousePress(page->lbTimeout, Qt::RightButton); // any button opens it
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->pmnPooling->isVisible(); }, 1000));
    pick(page->pmnPooling, "1 000");
    EXPECT_EQ(page->Timeout(), 1000);
    EXPECT_EQ(page->lbTimeout->text(), "1 000");
    EXPECT_EQ(page->lbPool->text(), " 250");
    EXPECT_EQ(page->Pooling(), 250);
    EXPECT_EQ(stored("Timeout (ms)"), "1000");
    EXPECT_EQ(stored("Pooling (ms)"), "<missing>");

    QTest::mousePress(page->lbPool, Qt::LeftButton);
    pick(page->pmnPooling, "2 000");
    EXPECT_EQ(page->Pooling(), 2000);
    EXPECT_EQ(stored("Pooling (ms)"), "2000");
}

TEST_F(OptionsPage, ConnectionKindIsWrittenOnlyAtTheEnd)
{
    store("[Options]\nConnect via=eth (rj45)\n");
    open();
    EXPECT_TRUE(page->rbtETH->isChecked());
    EXPECT_TRUE(page->edIP->isEnabled());
    EXPECT_FALSE(page->lbBaud->isEnabled());
    QTest::mouseClick(page->lbRS232, Qt::LeftButton);
    EXPECT_TRUE(page->rbtRS232->isChecked());
    EXPECT_EQ(stored("Connect via"), "eth (rj45)") << "not before the page goes";
    close();
    EXPECT_EQ(stored("Connect via"), "COM (RS232)");

    store("[Options]\nConnect via=Bluetooth\n");
    open();
    EXPECT_FALSE(page->rbtRS232->isChecked());
    EXPECT_FALSE(page->rbtETH->isChecked());
    EXPECT_TRUE(page->edIP->isEnabled());
    EXPECT_TRUE(page->lbPort->isEnabled());
    close();
    EXPECT_EQ(stored("Connect via"), "BLUETOOTH");
}

TEST_F(OptionsPage, ARatePickReopensAnOpenPort)
{
    open();
    cp.opened = true;
    cp.opens = 0;
    pick(page->pmnBaud, "115 200");
    EXPECT_EQ(cp.rate, 115200);
    EXPECT_TRUE(cp.opened);
    EXPECT_EQ(cp.opens, 1);
    EXPECT_EQ(stored("Baudrate index"), "8");
    EXPECT_EQ(page->lbBaud->text(), "115 200");

    cp.opened = false;
    pick(page->pmnBaud, "9 600");
    EXPECT_FALSE(cp.opened);
    EXPECT_EQ(cp.opens, 1);
    EXPECT_EQ(page->GetBaudrate(), 9600);
}

TEST_F(OptionsPage, LeavingTheHostFieldsWritesThem)
{
    store("[Options]\nConnect via=ETH (RJ45)\n");
    open();
    page->show();
    QApplication::setActiveWindow(page.get());
    page->edIP->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->edIP->hasFocus(); }, 1000));
    page->edIP->setText("not an address");
    page->edPort->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->edPort->hasFocus(); }, 1000));
    EXPECT_EQ(stored("HOST IP"), "not an address");
    QTest::keyClicks(page->edPort, "8x0");
    EXPECT_EQ(page->edPort->text(), "2380") << "only digits are taken";
    page->Button1->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->Button1->hasFocus(); }, 1000));
    EXPECT_EQ(stored("HOST PORT"), "2380");
}

TEST_F(OptionsPage, TheLabelTogglesLikeTheBox)
{
    open();
    QTest::mouseClick(page->chbShowPower, Qt::LeftButton);
    EXPECT_TRUE(page->chbShowPower->isChecked());
    EXPECT_EQ(stored("Show power outs"), "1");
    QTest::mouseClick(page->Label7, Qt::LeftButton);
    EXPECT_FALSE(page->chbShowPower->isChecked());
    EXPECT_EQ(stored("Show power outs"), "0");
    EXPECT_EQ(powerShown, (std::vector<bool>{false, true, false, false}));
    close();
    // A stored true ticks the box and is written back.
    open();
    EXPECT_FALSE(page->chbShowPower->isChecked());
    store("[Options]\nShow power outs=5\n");
    close();
    powerShown.clear();
    open();
    EXPECT_TRUE(page->chbShowPower->isChecked());
    EXPECT_EQ(stored("Show power outs"), "1");
    EXPECT_EQ(powerShown.back(), true);
}

TEST_F(OptionsPage, OtherSectionsAndCommentsStayByteForByte)
{
    const QByteArray before = "; written by hand\r\n[Radio]\r\nrig = 2  \r\n\r\n[Options]\r\n"
                              "Pooling (ms) = 500\r\n; keep me\r\n[Tail]\r\nx=1";
    store(before);
    open();
    pick(page->pmnBaud, "600");
    EXPECT_EQ(file(),
              QByteArray("; written by hand\r\n[Radio]\r\nrig = 2  \r\n\r\n[Options]\r\n"
                         "Pooling (ms) = 500\r\nBaudrate index=0\r\n; keep me\r\n[Tail]\r\nx=1"));
}

TEST_F(OptionsPage, AWriteThatCannotCompleteSaysWhere)
{
    // A folder that cannot be made: its parent is a file.
    QFile blocker(dir.filePath("a-file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ini = dir.filePath("a-file/norvakKT90dde.ini");
    std::vector<std::string> errors;
    SetUnhandledErrorHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            errors.push_back(x.what());
        }
    });
    open();
    EXPECT_TRUE(errors.empty()) << "nothing to write at a plain start";
    cp.opened = true;
    pick(page->pmnBaud, "4 800");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Unable to write to " + ini.toStdString());
    // ... and on the error line, with the reason.
    EXPECT_TRUE(page->LabelConnectionErrorMessage->isVisibleTo(page.get()));
    EXPECT_EQ(page->LabelConnectionErrorMessage->text(),
              "Unable to write to " + ini + ": " + QString::fromLocal8Bit(std::strerror(ENOTDIR)));
    EXPECT_FALSE(cp.opened) << "the steps after the failed write do not run";
    close(); // the connection kind cannot be written either: one more alert
    SetUnhandledErrorHandler({});
    EXPECT_EQ(errors.size(), 2u);
}

// Settings live beside the program only where its folder may be written.
TEST(SettingsLocation, BesideTheProgramOrInTheUsersFolder)
{
    qputenv("XDG_CONFIG_HOME", "/home/op/.config");
    EXPECT_EQ(PanelSettingsPath("/opt/kt90", true), "/opt/kt90/norvakKT90dde.ini");
    EXPECT_EQ(PanelSettingsPath("/usr/bin", false),
              "/home/op/.config/norvakKT90dde/norvakKT90dde.ini");
    // Installed, also where root may write.
    EXPECT_EQ(PanelSettingsPath("/usr/bin", true),
              "/home/op/.config/norvakKT90dde/norvakKT90dde.ini");
    EXPECT_EQ(PanelSettingsPath("/usr/local/bin", true),
              "/home/op/.config/norvakKT90dde/norvakKT90dde.ini");
    EXPECT_EQ(UserSettingsPath(), "/home/op/.config/norvakKT90dde/norvakKT90dde.ini");
    qunsetenv("XDG_CONFIG_HOME");
}

// Serial port discovery.

TEST_F(OptionsPage, DiscoveryWithoutPorts)
{
    open();
    EXPECT_FALSE(page->ComExists());
    store("[Options]\nSelected port=ttyS5\n");
    lister.ports = {"ttyS5"};
    close();
    open();
    EXPECT_TRUE(page->ComExists());
    EXPECT_EQ(page->lbPort->text(), "ttyS5");
    lister.ports.clear();
    page->GetAllComPorts();
    EXPECT_EQ(page->lbPort->text(), "ttyS5 (not found)");
    EXPECT_FALSE(page->ComExists());
    EXPECT_EQ(menuCaptions(page->pmnPorts), (QStringList{"Cancel", "Clear", "-"}));
}

// A port that is there but may not be opened stays in sight with the reason.
TEST_F(OptionsPage, APortThatMayNotBeOpenedIsShownWithTheReason)
{
    store("[Options]\nSelected port=ttyUSB0\n");
    lister.refused = {{"ttyUSB0", kNoPermission}};
    open();
    EXPECT_EQ(page->lbPort->text(), "ttyUSB0 (no permission: add yourself to the dialout group)");
    EXPECT_FALSE(page->ComExists());
    const QStringList captions = menuCaptions(page->pmnPorts);
    ASSERT_EQ(captions.size(), 4);
    EXPECT_EQ(captions[3], "ttyUSB0 (no permission: add yourself to the dialout group)");
    EXPECT_FALSE(page->pmnPorts->actions()[3]->isEnabled()) << "shown, not offered";
}

// A full path counts when it is there, though no listing names it (a
// pseudo-terminal, a socat or ser2net port, a /dev/serial/by-id link), and
// is never cut to ten characters.
TEST_F(OptionsPage, AStoredFullPathIsUsedWhenItIsThere)
{
    const QString pty = dir.filePath("a-long-pseudo-terminal-name");
    QFile f(pty);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    store("[Options]\nSelected port=" + pty.toUtf8() + "\n");
    open();
    EXPECT_TRUE(page->ComExists());
    EXPECT_EQ(page->lbPort->text(), pty);
    EXPECT_EQ(menuCaptions(page->pmnPorts).back(), pty);
    QFile::remove(pty);
    page->GetAllComPorts();
    EXPECT_FALSE(page->ComExists());
    EXPECT_EQ(page->lbPort->text(), pty + " (not found)");
}

TEST_F(OptionsPage, DiscoveryMatchesTheStoredPortWithoutRegardToCase)
{
    store("[Options]\nSelected port=ttyusb0\n");
    lister.ports = {"ttyS0", "ttyUSB0"};
    open();
    EXPECT_EQ(page->lbPort->text(), "ttyUSB0");
    EXPECT_EQ(page->SelectedPort(), "ttyUSB0");
    EXPECT_EQ(stored("Selected port"), "ttyUSB0");
    EXPECT_TRUE(page->ComExists());
    EXPECT_EQ(menuCaptions(page->pmnPorts),
              (QStringList{"Cancel", "Clear", "-", "ttyS0", "ttyUSB0"}));
}

TEST_F(OptionsPage, DiscoveryWithoutTheStoredPortKeepsTheCaption)
{
    store("[Options]\nSelected port=ttyS3\n");
    lister.ports = {"ttyS1", "ttyS4"};
    open();
    EXPECT_EQ(page->lbPort->text(), "not selected");
    EXPECT_EQ(page->SelectedPort(), "ttyS3");
    EXPECT_FALSE(page->ComExists());
    pick(page->pmnPorts, "ttyS4");
    EXPECT_EQ(page->lbPort->text(), "ttyS4");
    EXPECT_EQ(stored("Selected port"), "ttyS4");
    EXPECT_FALSE(cp.opened) << "picking a port opens nothing";
}

TEST_F(OptionsPage, ThePortThisProgramHoldsStaysListedLast)
{
    store("[Options]\nSelected port=ttyS3\n");
    lister.ports = {"ttyS1"};
    cp.opened = true;
    cp.name = "ttyS3";
    open();
    EXPECT_EQ(menuCaptions(page->pmnPorts),
              (QStringList{"Cancel", "Clear", "-", "ttyS1", "ttyS3"}));
    EXPECT_TRUE(page->ComExists());
    // Held by another program instead: not listed.
    cp.name = "ttyS9";
    page->GetAllComPorts();
    EXPECT_EQ(menuCaptions(page->pmnPorts), (QStringList{"Cancel", "Clear", "-", "ttyS1"}));
    EXPECT_FALSE(page->ComExists());
}

TEST_F(OptionsPage, LongNamesAreCutAndClearForgetsThePort)
{
    lister.ports = {"ttyUSB_serial_adapter", "rfcomm0"};
    store("[Options]\nSelected port=rfcomm0\n");
    open();
    EXPECT_EQ(menuCaptions(page->pmnPorts),
              (QStringList{"Cancel", "Clear", "-", "ttyUSB_ser", "rfcomm0"}));
    EXPECT_EQ(page->lbPort->text(), "rfcomm0") << "listed and picked, though not opened later";
    pick(page->pmnPorts, "Clear");
    EXPECT_EQ(page->lbPort->text(), "not selected");
    EXPECT_EQ(stored("Selected port"), "");
    page->GetAllComPorts();
    EXPECT_EQ(page->lbPort->text(), "not selected");
    EXPECT_FALSE(page->ComExists());
}

TEST(IntervalCaption, DigitPattern)
{
    const std::pair<int, const char*> cases[] = {
        {250, " 250"},     {500, " 500"}, {1000, "1 000"}, {2000, "2 000"},
        {12345, "12 345"}, {5, " 5"},     {1005, "1 005"},
    };
    for (const auto& [ms, text] : cases)
        EXPECT_EQ(TOptionsFrame::IntervalCaption(ms), text) << ms;
}
