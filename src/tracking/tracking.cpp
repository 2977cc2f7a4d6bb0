// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/tracking.h"

#include "link/unhandled.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

TTracking::TTracking(TDeviceLink& link, TOrbitronFrame& page, QObject* parent)
    : QObject(parent), Tracking(QStringLiteral("Orbitron"), QStringLiteral("Tracking"),
                                QStringLiteral("TrackingDataEx")),
      fLink(link), fPage(page)
{
    connect(&Tracking, &TDdeConversation::opened, this,
            [this] { Guarded([this] { TrackingOpen(); }); });
    connect(&Tracking, &TDdeConversation::closed, this,
            [this] { Guarded([this] { TrackingClose(); }); });
    connect(&Tracking, &TDdeConversation::dataChanged, this,
            [this] { Guarded([this] { TrackingDataExChange(); }); });
    connect(&fPage, &TOrbitronFrame::l_ddClick, this,
            [this] { Guarded([this] { TrackingToogle(fPage.l_dd); }); });
}

QString TTracking::LocateTracker(const QString& programDir)
{
    const QString beside = QDir(programDir).filePath(QStringLiteral("orbitron"));
    const QFileInfo info(beside);
    if (info.isFile() && info.isExecutable())
        return beside;
    const QSettings user(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quellmark"),
                         QStringLiteral("Orbitron"));
    return user.value(QStringLiteral("Path")).toString() + QStringLiteral("orbitron");
}

void TTracking::TrackingToogle(QLabel* label)
{
    if (label->property("tag").toInt() == 1) {
        Tracking.CloseLink();
        label->setProperty("tag", 0);
    } else {
        Tracking.OpenLink();
        label->setProperty("tag", 1);
        if (!Tracking.Refusal().isEmpty()) // the page stays "Closed"
            fPage.l_rot->setText(QStringLiteral("Tracker: ") + Tracking.Refusal());
    }
}

void TTracking::TrackingOpen() { fPage.l_dd->setText(QStringLiteral("Opened")); }

void TTracking::ClearPage()
{
    kt90::ParseString("", SatData, AosText);
    fPage.PrintData(SatData, AosText);
}

void TTracking::TrackingClose()
{
    fPage.l_dd->setText(QStringLiteral("Closed"));
    ClearPage();
}

void TTracking::TrackingDataExChange()
{
    const QByteArray text = Tracking.Text();
    int a = 0;
    int b = static_cast<int>(text.size());
    while (a < b && static_cast<unsigned char>(text[a]) <= 32)
        ++a;
    while (b > a && static_cast<unsigned char>(text[b - 1]) <= 32)
        --b;
    const std::string line(text.constData() + a, static_cast<std::size_t>(b - a));
    const bool saysWhere = kt90::ParseString(line, SatData, AosText);
    fPage.PrintData(SatData, AosText);
    // A line that does not say where to point moves nothing.
    if (saysWhere)
        UpdateRotorAndRadio(SatData);
}

void TTracking::UpdateRotorAndRadio(const kt90::TSatData& record)
{
    fLink.SendCommand(kt90::TrackerPositionCommand(record), 0);
}
