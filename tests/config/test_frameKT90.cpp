// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/frameKT90.h"
#include "support/fakeui.h"

#include "config/configfile.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace kt90;

namespace {

struct FakeFiles : IFileChooser {
    QString name;
    QString SaveFileName() override { return name; }
    QString OpenFileName() override { return name; }
};

class Frame : public ::testing::Test {
protected:
    FakeUi ui;
    FakeFiles files;
    std::unique_ptr<TKT90frame> f;
    int beeps = 0;

    void SetUp() override
    {
        f = std::make_unique<TKT90frame>(nullptr, &ui, &files);
        f->infoBeep = [this] { ++beeps; };
        f->show();
        QApplication::setActiveWindow(f.get());
    }
    TArrowKeyPanel* p(const char* name) { return f->panel(name); }
    QString caption(const char* name) { return p(name)->text(); }
    void focus(const char* name)
    {
        if (EditorModel::OnPortsPage(name))
            f->ShowPage(f->panPorts);
        p(name)->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return p(name)->hasFocus(); }, 1000)) << name;
    }
    void key(const char* name, Qt::Key k) { QTest::keyClick(p(name), k); }
    void click(const char* node)
    {
        const auto items = f->tvwTabs->findItems(node, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        f->tvwTabs->setCurrentItem(items[0]);
        f->tvwTabsClick();
    }
    void drag(const char* name, int from, int to)
    {
        QTest::mousePress(p(name), Qt::LeftButton, {}, QPoint(from, 5));
        QMouseEvent move(QEvent::MouseMove, QPointF(to, 5), p(name)->mapToGlobal(QPointF(to, 5)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(p(name), &move);
        QTest::mouseRelease(p(name), Qt::LeftButton, {}, QPoint(to, 5));
    }
};

} // namespace

TEST_F(Frame, CreatedWithTheDefaults)
{
    TktFRAMParams defaults;
    FillDefaults(defaults);
    EXPECT_EQ(f->KT90Options(), defaults);
    EXPECT_EQ(f->pages->currentWidget(), f->panMotors);
    EXPECT_EQ(caption("pn06Motor1MinAngle"), QString::fromUtf8("-180\u00B0"));
    EXPECT_EQ(caption("pn07Motor1MaxAngle"), QString::fromUtf8("+180\u00B0"));
    EXPECT_EQ(caption("pn56Motor2MinAngle"), QString::fromUtf8("-15\u00B0"));
    EXPECT_EQ(caption("pn88USBBaud"), " 460 800");
    EXPECT_EQ(f->Label54->text(), "Control AE:");
    EXPECT_FALSE(f->Label35->isVisibleTo(f.get())) << "no pair row for 1:AZ, 2:EL";
    EXPECT_EQ(f->tvwTabs->topLevelItemCount(), 6);
}

TEST_F(Frame, LeftAndRightJumpBetweenTheEnds)
{
    focus("pn30MotorConfTemplate");
    key("pn30MotorConfTemplate", Qt::Key_Left);
    EXPECT_TRUE(p("pn71Motor2StopTime3")->hasFocus());
    key("pn71Motor2StopTime3", Qt::Key_Right);
    EXPECT_TRUE(p("pn30MotorConfTemplate")->hasFocus());
    key("pn30MotorConfTemplate", Qt::Key_Right);
    EXPECT_TRUE(p("pn72MotorStart")->hasFocus());
    key("pn72MotorStart", Qt::Key_Left);
    EXPECT_TRUE(p("pn30MotorConfTemplate")->hasFocus());
    EXPECT_EQ(caption("pn30MotorConfTemplate"), " 1:AZ, 2:EL") << "Left and Right keep the value";
}

TEST_F(Frame, KeysOnThePanels)
{
    focus("pn86Com0Baud");
    key("pn86Com0Baud", Qt::Key_Up);
    EXPECT_EQ(caption("pn86Com0Baud"), " 19 200");
    focus("pn88USBBaud");
    key("pn88USBBaud", Qt::Key_Up);
    EXPECT_EQ(caption("pn88USBBaud"), " 460 800");
    EXPECT_EQ(beeps, 1);
    QTest::mouseDClick(p("pn88USBBaud"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(caption("pn88USBBaud"), " 600");

    f->ShowPage(f->panMotors);
    focus("pn95UseShortWay");
    key("pn95UseShortWay", Qt::Key_Up);
    EXPECT_EQ(caption("pn95UseShortWay"), " ON");
    key("pn95UseShortWay", Qt::Key_Up);
    EXPECT_EQ(caption("pn95UseShortWay"), " OFF");
    EXPECT_EQ(beeps, 1);
}

TEST_F(Frame, TypingDigitsAndEscape)
{
    focus("pn10Motor1StartPower1");
    const QString before = caption("pn10Motor1StartPower1");
    QStringList shown;
    for (char d : {'1', '5', '0'}) {
        QTest::keyClick(p("pn10Motor1StartPower1"), d);
        shown << caption("pn10Motor1StartPower1");
    }
    EXPECT_EQ(shown, (QStringList{" 1%", " 15%", " 100%"}));
    key("pn10Motor1StartPower1", Qt::Key_Escape);
    EXPECT_EQ(caption("pn10Motor1StartPower1"), before);
    focus("pn59Motor2Gear");
    QTest::keyClick(p("pn59Motor2Gear"), '0');
    EXPECT_EQ(caption("pn59Motor2Gear"), " 0.000001");
}

TEST_F(Frame, Drags)
{
    drag("pn05Motor1MaxPower", 10, 35);
    EXPECT_EQ(caption("pn05Motor1MaxPower"), " 100%") << "clamped at the top";
    drag("pn10Motor1StartPower1", 30, 55);
    EXPECT_EQ(caption("pn10Motor1StartPower1"), " 32%");
    drag("pn10Motor1StartPower1", 30, 29);
    EXPECT_EQ(caption("pn10Motor1StartPower1"), " 32%");
    drag("pn30MotorConfTemplate", 5, 30);
    EXPECT_EQ(caption("pn30MotorConfTemplate"), " 1:EL, 2:EL");
    EXPECT_EQ(caption("pn03Motor1Kind"), " AZIMUTH") << "a drag runs no presets";
    EXPECT_TRUE(f->Label35->isVisibleTo(f.get()));
}

TEST_F(Frame, UpOnTheTemplate)
{
    focus("pn30MotorConfTemplate");
    key("pn30MotorConfTemplate", Qt::Key_Up);
    EXPECT_EQ(caption("pn30MotorConfTemplate"), " 1:AZ, 2:AZ");
    EXPECT_EQ(caption("pn53Motor2Kind"), " AZIMUTH");
    EXPECT_EQ(caption("pn56Motor2MinAngle"), QString::fromUtf8("-180\u00B0"));
    EXPECT_TRUE(f->Label35->isVisibleTo(f.get()));
    EXPECT_TRUE(f->Label58->isVisibleTo(f.get()));
    EXPECT_EQ(f->Label58->text(), "Control A2:");
}

TEST_F(Frame, PortStatesAfterAnAssignment)
{
    TktFRAMParams b = f->KT90Options();
    b.setU8(offs::motor_template, 4);
    b.setU8(offs::motor_control1, 3);
    b.setU8(offs::motor_control2, 4);
    f->setKT90Options(b);
    EXPECT_EQ(caption("pn74Com0State"), " OFF");
    EXPECT_EQ(caption("pn75Com1State"), " OFF");
    EXPECT_EQ(caption("pn40USBComState"), " ON");
    EXPECT_EQ(caption("pn41ETHComState"), " ON");
}

TEST_F(Frame, AnEqualBlockLeavesUnconfirmedEdits)
{
    focus("pn05Motor1MaxPower");
    QTest::keyClick(p("pn05Motor1MaxPower"), '7');
    EXPECT_EQ(caption("pn05Motor1MaxPower"), " 7%");
    f->setKT90Options(f->KT90Options());
    EXPECT_EQ(caption("pn05Motor1MaxPower"), " 7%");
    TktFRAMParams other = f->KT90Options();
    other.setU8(offs::pair_rotors, 1);
    f->setKT90Options(other);
    EXPECT_EQ(caption("pn05Motor1MaxPower"), " 100%") << "a new block replaces every edit";
}

TEST_F(Frame, TreeActions)
{
    int downloads = 0, uploads = 0;
    f->onDownload = [&] { ++downloads; };
    f->onUpload = [&] { ++uploads; };
    click("Download");
    click("Download"); // an action node that is selected runs again
    click("Upload");
    EXPECT_EQ(downloads, 2);
    EXPECT_EQ(uploads, 1);
    click("Ports");
    EXPECT_EQ(f->pages->currentWidget(), f->panPorts);
    click("Motors");
    EXPECT_EQ(f->pages->currentWidget(), f->panMotors);
}

TEST_F(Frame, SaveOpenAndRestore)
{
    QTemporaryDir dir;
    files.name = dir.filePath("a.ktcfg");
    focus("pn05Motor1MaxPower");
    QTest::keyClick(p("pn05Motor1MaxPower"), '4');
    key("pn05Motor1MaxPower", Qt::Key_Return);
    click("Save"); // the panel's value goes into the block first
    EXPECT_EQ(f->KT90Options().u8(TktFRAMParams::motorField(0, offs::motorRec::max_power)), 4);
    EXPECT_EQ(QFileInfo(files.name).size(), 496);

    ui.answer = true;
    f->RestoreDefaultClick();
    EXPECT_EQ(ui.questions.back(), "Restore default?");
    EXPECT_EQ(caption("pn05Motor1MaxPower"), " 100%");

    click("Open");
    EXPECT_EQ(caption("pn05Motor1MaxPower"), " 4%");

    files.name.clear(); // cancelled dialogs do nothing
    click("Save");
    click("Open");
    EXPECT_EQ(caption("pn05Motor1MaxPower"), " 4%");

    ui.answer = false;
    f->RestoreDefaultClick();
    EXPECT_EQ(caption("pn05Motor1MaxPower"), " 4%");
}
