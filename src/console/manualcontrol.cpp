#include "console/manualcontrol.h"

#include "core/angleline.h"
#include "link/decimalpoint.h"
#include "widgets/LCDLine.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

namespace {

constexpr std::uint32_t kHorizontal = kt90::kJogLeft | kt90::kJogRight;
constexpr std::uint32_t kVertical = kt90::kJogUp | kt90::kJogDown;

} // namespace

TManualControl::TManualControl(TDeviceLink& link, QLineEdit* edAz, QLineEdit* edEl, TLCDLine* line4,
                               std::function<bool()> foldOutShown)
    : fLink(link), fAz(edAz), fEl(edEl), fLine4(line4), fFoldOutShown(std::move(foldOutShown))
{
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
        return e->key() == Qt::Key_Left || e->key() == Qt::Key_Right || e->key() == Qt::Key_Up ||
               e->key() == Qt::Key_Down;
    std::uint32_t axis = 0;
    if (e->key() == Qt::Key_Left || e->key() == Qt::Key_Right)
        axis = kHorizontal;
    else if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down)
        axis = kVertical;
    else
        return false;
    // A jog never outlives its key: the release ends it also while the
    // pages are open.
    if (fFoldOutShown() && !(fLink.fButtons() & axis))
        return false;
    jog(fLink.fButtons() & ~axis);
    return true;
}

void TManualControl::ReleaseJogs()
{
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
