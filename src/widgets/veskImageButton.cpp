// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/veskImageButton.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {

// The note a button sends its siblings when its checked state changes.
class GroupEvent : public QEvent {
public:
    static QEvent::Type type()
    {
        static const int t = QEvent::registerEventType();
        return static_cast<QEvent::Type>(t);
    }
    GroupEvent(int g, TveskImageButton* s) : QEvent(type()), group(g), sender(s) {}
    int group;
    TveskImageButton* sender;
};

bool samePicture(const QPixmap& a, const QPixmap& b)
{
    return a.cacheKey() == b.cacheKey() || (a.isNull() && b.isNull());
}

} // namespace

TveskImageButton::TveskImageButton(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TveskImageButton::setImage(const QPixmap& p)
{
    if (samePicture(p, fImage))
        return;
    fImage = p;
    if (fAutoSize)
        sizeToImage();
    repaint();
}

void TveskImageButton::setOverImage(const QPixmap& p)
{
    if (samePicture(p, fOverImage))
        return;
    fOverImage = p;
    repaint();
}

void TveskImageButton::setDownImage(const QPixmap& p)
{
    if (samePicture(p, fDownImage))
        return;
    fDownImage = p;
    repaint();
}

void TveskImageButton::setDisableImage(const QPixmap& p)
{
    if (samePicture(p, fDisableImage))
        return;
    fDisableImage = p;
    if (!isEnabled())
        repaint();
}

void TveskImageButton::setTransparent(bool on)
{
    fTransparent = on;
    update();
}

void TveskImageButton::setAutoSize(bool on)
{
    fAutoSize = on;
    if (on)
        sizeToImage();
}

void TveskImageButton::setColor(const QColor& c)
{
    fOwnColor = true;
    fColor = c;
    update();
}

void TveskImageButton::sizeToImage() { resize(fImage.width(), fImage.height()); }

void TveskImageButton::setChecked(bool on)
{
    if (on == fChecked)
        return;
    fChecked = on;
    if (fCheckGroup != 0 && parentWidget()) {
        const auto siblings =
            parentWidget()->findChildren<TveskImageButton*>(Qt::FindDirectChildrenOnly);
        for (TveskImageButton* b : siblings) {
            GroupEvent note(fCheckGroup, this);
            QCoreApplication::sendEvent(b, &note);
        }
    }
    update();
}

bool TveskImageButton::event(QEvent* e)
{
    if (e->type() == GroupEvent::type()) {
        const auto* note = static_cast<GroupEvent*>(e);
        groupNotification(note->group, note->sender);
        return true;
    }
    return QWidget::event(e);
}

void TveskImageButton::groupNotification(int group, TveskImageButton* sender)
{
    if (group != fCheckGroup || fCheckGroup < 0)
        return;
    if (sender != this) {
        if (sender->fChecked && fChecked) {
            fChecked = false;
            update();
        }
        fAllowAllUp = sender->fAllowAllUp;
    } else if (!fAllowAllUp) {
        setChecked(true); // a group without all-up keeps one button down
    }
}

QPixmap TveskImageButton::prepared(const QPixmap& p) const
{
    if (!fTransparent || p.isNull() || p.hasAlphaChannel())
        return p;
    // The colour of the bottom-left pixel is the transparent one.
    const QImage img = p.toImage();
    const QRgb key = img.pixel(0, img.height() - 1);
    QPixmap masked = p;
    masked.setMask(QBitmap::fromImage(img.createMaskFromColor(key, Qt::MaskInColor)));
    return masked;
}

void TveskImageButton::drawFace(QPainter& p, const QPixmap& face, bool tiled) const
{
    if (face.width() <= 0 || face.height() <= 0)
        return;
    const QPixmap pic = prepared(face);
    if (!tiled) {
        p.drawPixmap(0, 0, pic);
        return;
    }
    for (int y = 0; y < height(); y += pic.height())
        for (int x = 0; x < width(); x += pic.width())
            p.drawPixmap(x, y, pic);
}

QImage TveskImageButton::render() const
{
    QImage img(size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    const QColor background =
        fOwnColor || !parentWidget() ? fColor : parentWidget()->palette().color(QPalette::Window);
    img.fill(background.isValid() ? background : palette().color(QPalette::Window));
    if (fImage.isNull())
        return img;
    QPainter p(&img);
    const auto normalFace = [&] { drawFace(p, fImage, true); };
    const auto faceOr = [&](const QPixmap& pic) {
        if (pic.isNull())
            normalFace();
        else
            drawFace(p, pic, false);
    };
    switch (fStatus) {
    case Normal:
        if (fChecked)
            faceOr(fDownImage);
        else
            normalFace();
        break;
    case Hover:
        faceOr(fOverImage);
        break;
    case Pressed:
        faceOr(fDownImage);
        break;
    }
    return img;
}

void TveskImageButton::paintEvent(QPaintEvent*)
{
    if (width() <= 0 || height() <= 0)
        return;
    QPainter(this).drawImage(0, 0, render());
}

void TveskImageButton::enterEvent(QEnterEvent*)
{
    if (fStatus == Normal) {
        fStatus = Hover;
        repaint();
    }
}

void TveskImageButton::leaveEvent(QEvent*)
{
    if (fStatus == Hover) {
        fStatus = Normal;
        repaint();
    }
}

void TveskImageButton::mouseMoveEvent(QMouseEvent*)
{
    if (fStatus == Normal) {
        fStatus = Hover;
        repaint();
    }
}

void TveskImageButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        fStatus = Pressed;
        repaint();
    }
    emit mouseDown(e->button(), e->position().toPoint());
}

void TveskImageButton::mouseReleaseEvent(QMouseEvent* e)
{
    const bool wasPressed = fStatus == Pressed;
    if (wasPressed) {
        fStatus = Normal;
        if (fCheckGroup != 0)
            setChecked(!fChecked);
        repaint();
    }
    emit mouseUp(e->button(), e->position().toPoint());
    if (wasPressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
}
