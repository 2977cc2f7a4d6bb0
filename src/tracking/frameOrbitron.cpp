// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/frameOrbitron.h"

#include "widgets/style.h"

#include <QLocale>
#include <QMouseEvent>

namespace {

const QColor& kCaption = kHouseAmber;
const QColor& kValue = kHouseLime;

char decimalSeparator()
{
    const QString p = QLocale().decimalPoint();
    return !p.isEmpty() && p.front().unicode() < 0x80 ? static_cast<char>(p.front().unicode())
                                                      : '.';
}

} // namespace

TOrbitronFrame::TOrbitronFrame(QWidget* parent) : QWidget(parent)
{
    resize(290, 119);
    SetBackground(this, kHousePanel);
    setFont(PixelFont("MS Sans Serif", 11));

    const auto label = [this](const char* text, int x, int y, QColor colour) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        SetTextColour(l, colour);
        l->move(x, y);
        l->resize(colour == kValue ? 180 : 60, 13);
        if (colour == kCaption)
            l->adjustSize();
        return l;
    };
    Label4 = label("Sat name:", 45, 6, kCaption);
    l_na = label("?", 96, 6, kValue);
    Label5 = label("Azimuth:", 53, 22, kCaption);
    l_az = label("?", 96, 22, kValue);
    Label6 = label("Elevation:", 214, 22, kCaption);
    l_el = label("?", 264, 22, kValue);
    Label8 = label("Uplink:", 60, 38, kCaption);
    l_uf = label("?", 96, 38, kValue);
    Label10 = label("Downlink:", 214, 38, kCaption);
    l_df = label("?", 264, 38, kValue);
    Label7 = label("Uplink mode:", 31, 54, kCaption);
    l_um = label("?", 96, 54, kValue);
    Label9 = label("Downlink mode:", 185, 54, kCaption);
    l_dm = label("?", 264, 54, kValue);
    Label2 = label("Notification:", 37, 70, kCaption);
    l_aos = label("?", 96, 70, kValue);
    Label3 = label("DDE conv. status:", 6, 96, kCaption);
    l_dd = label("Closed", 96, 96, kValue);
    l_dd->setProperty("tag", 0);
    l_dd->setCursor(Qt::PointingHandCursor);
    l_dd->installEventFilter(this);
    l_rot = label("", 6, 114, kValue);
    l_rot->resize(400, 13);
    for (QLabel* l : {l_uf, l_az, l_um, l_aos, l_na})
        l->resize(112, 13); // up to the right-hand column
}

bool TOrbitronFrame::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == l_dd && e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton &&
        l_dd->rect().contains(static_cast<QMouseEvent*>(e)->position().toPoint())) {
        emit l_ddClick();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TOrbitronFrame::PrintData(const kt90::TSatData& r, const std::string& aosText)
{
    const char sep = decimalSeparator();
    l_na->setText(QString::fromLatin1(r.name.c_str()));
    l_az->setText(QString::fromStdString(kt90::FormatAngleValue(r.azm, sep)));
    l_el->setText(QString::fromStdString(kt90::FormatAngleValue(r.elv, sep)));
    l_uf->setText(QString::fromStdString(kt90::FormatFrequency(r.upf)));
    l_df->setText(QString::fromStdString(kt90::FormatFrequency(r.dnf)));
    l_um->setText(QString::fromLatin1(r.upm.c_str()));
    l_dm->setText(QString::fromLatin1(r.dnm.c_str()));
    l_aos->setText(QString::fromLatin1(kt90::AosCaption(aosText).c_str()));
}
