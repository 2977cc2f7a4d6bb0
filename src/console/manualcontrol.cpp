// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/manualcontrol.h"

#include "core/angleline.h"
#include "link/decimalpoint.h"
#include "link/unhandled.h"
#include "widgets/LCDLine.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

namespace {

constexpr std::uint32_t kHorizontal = kt90::kJogLeft | kt90::kJogRight;
constexpr std::uint32_t kVertical = kt90::kJogUp | kt90::kJogDown;
// A repeat's press follows its release at the same server time; a little
// slack for servers that stamp them a millisecond apart.
constexpr quint64 kRepeatPairMs = 1;
// How long a release waits for the press that would make it a repeat. The
// server stamps both with one time but may deliver the press a few
// milliseconds later (seen on Xvfb: up to 4 ms with the event thread busy);
// well under the auto-repeat interval, so that a new press is never taken
// for a repeat.
constexpr int kRepeatWaitMs = 20;

std::uint32_t axisOf(int key)
{
    if (key == Qt::Key_Left || key == Qt::Key_Right)
        return kHorizontal;
    if (key == Qt::Key_Up || key == Qt::Key_Down)
        return kVertical;
    return 0;
}

} // namespace

TManualControl::TManualControl(TDeviceLink& link, QLineEdit* edAz, QLineEdit* edEl, TLCDLine* line4,
                               std::function<bool()> foldOutShown)
    : fLink(link), fAz(edAz), fEl(edEl), fLine4(line4), fFoldOutShown(std::move(foldOutShown))
{
    fReleaseTimer.setSingleShot(true);
    fReleaseTimer.setTimerType(Qt::PreciseTimer);
    connect(&fReleaseTimer, &QTimer::timeout, this,
            [this] { Guarded([this] { releasePending(); }); });
}

double TManualControl::AngleValue(const QString& text)
{
    bool ok = false;
    const double v = QLocale().toDouble(text, &ok);
    return ok ? v : -360.0;
}

bool TManualControl::AcceptedCharacter(QChar c)
{
    return c == QChar(8) || c == QChar(13) || (c >= QChar('0') && c <= QChar('9')) ||
           c == LocaleDecimalPoint();
}

bool TManualControl::edAzKeyPress(QKeyEvent* e) { return angleKeyPress(e, true); }

bool TManualControl::edElKeyPress(QKeyEvent* e) { return angleKeyPress(e, false); }

bool TManualControl::angleKeyPress(QKeyEvent* e, bool m1)
{
    const QString text = e->text();
    if (text.isEmpty())
        return false; // not a character: cursor keys, Delete, Home ...
    const QChar c = e->key() == Qt::Key_Enter ? QChar(13) : text.front();
    // Keys that come with a control character (Tab, Delete, Escape) are the
    // field's and the window's to act on; only typed characters are filtered.
    if (c != QChar(13) && c != QChar(8) && (c.unicode() < 0x20 || c.unicode() == 0x7F))
        return false;
    if (!AcceptedCharacter(c))
        return true;
    if (c == QChar(13)) {
        if (m1)
            fLink.SendPosition(AngleValue(fAz->text()), -360);
        else
            fLink.SendPosition(-360, AngleValue(fEl->text()));
        return true;
    }
    return false;
}

void TManualControl::jog(std::uint32_t mask)
{
    fLink.setButtons(mask);
    fLink.SendJog();
}

bool TManualControl::FormKeyDown(QKeyEvent* e)
{
    if (fPending) {
        const bool repeat = fPending->key == e->key() && e->timestamp() >= fPending->timestamp &&
                            e->timestamp() - fPending->timestamp <= kRepeatPairMs;
        if (repeat) { // the key is still held: neither the release nor this
            fPending.reset();
            fReleaseTimer.stop();
            return true;
        }
        releasePending(); // a new press comes after the release it follows
    }
    if (fFoldOutShown())
        return false;
    const std::uint32_t b = fLink.fButtons();
    switch (e->key()) {
    case Qt::Key_Backspace:
        fLink.SendStop();
        return false; // the field still deletes a character
    case Qt::Key_Left:
        if (!(b & kHorizontal))
            jog(b | kt90::kJogLeft);
        return true;
    case Qt::Key_Right:
        if (!(b & kHorizontal))
            jog(b | kt90::kJogRight);
        return true;
    case Qt::Key_Up:
        if (!(b & kVertical))
            jog(b | kt90::kJogUp);
        return true;
    case Qt::Key_Down:
        if (!(b & kVertical))
            jog(b | kt90::kJogDown);
        return true;
    default:
        return false;
    }
}

bool TManualControl::FormKeyUp(QKeyEvent* e)
{
    // The key's own repeats come as releases too; only the real release
    // ends the jog.
    if (e->isAutoRepeat())
        return axisOf(e->key()) != 0;
    const std::uint32_t axis = axisOf(e->key());
    if (!axis)
        return false;
    // A jog never outlives its key: the release ends it also while the
    // pages are open.
    if (fFoldOutShown() && !(fLink.fButtons() & axis))
        return false;
    if (e->timestamp() == 0) { // no server time to pair it by: at once
        release(e->key());
        return true;
    }
    if (fPending)
        releasePending();
    fPending = PendingRelease{e->key(), e->timestamp()};
    fReleaseTimer.start(kRepeatWaitMs);
    return true;
}

void TManualControl::release(int key) { jog(fLink.fButtons() & ~axisOf(key)); }

void TManualControl::releasePending()
{
    fReleaseTimer.stop();
    if (!fPending)
        return;
    const int key = fPending->key;
    fPending.reset();
    release(key);
}

void TManualControl::ReleaseJogs()
{
    fPending.reset();
    fReleaseTimer.stop();
    if (fLink.fButtons() != 0)
        jog(0);
}

void TManualControl::btnSendClick()
{
    fLink.SendPosition(AngleValue(fAz->text()), AngleValue(fEl->text()));
}

void TManualControl::btnStopClick() { fLink.SendStop(); }

void TManualControl::LCDLine4MouseDown(int x)
{
    const int p = fLine4->CharPosAt(x, 0);
    if (p == -1)
        return;
    QString text = fLink.outputsLine.Text();
    const int k = kt90::OutputAtColumn(p);
    if (k != 0 && p <= text.size()) {
        fLink.setOuts(static_cast<std::uint8_t>(fLink.fOuts() ^ (1u << (k - 1))));
        fLink.SendOutputs(fLink.fOuts());
        const QChar cell = text[p - 1];
        text[p - 1] = cell == QChar(' ') ? QChar(kt90::kOutputOffGlyph) : QChar(' ');
    }
    fLink.outputsLine.setText(text);
}
