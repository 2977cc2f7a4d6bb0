// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A picture button: a normal, a hover and a pressed picture, an optional
// checked state, and check groups among the buttons of one parent that act
// like radio buttons.

#include <QPixmap>
#include <QWidget>

class TveskImageButton : public QWidget {
    Q_OBJECT
public:
    enum Status { Normal = 0, Hover = 1, Pressed = 2 };

    explicit TveskImageButton(QWidget* parent = nullptr);

    const QPixmap& Image() const { return fImage; }
    void setImage(const QPixmap& p);
    const QPixmap& OverImage() const { return fOverImage; }
    void setOverImage(const QPixmap& p);
    const QPixmap& DownImage() const { return fDownImage; }
    void setDownImage(const QPixmap& p);
    const QPixmap& DisableImage() const { return fDisableImage; }
    void setDisableImage(const QPixmap& p);
    bool Checked() const { return fChecked; }
    void setChecked(bool on);
    int CheckGroup() const { return fCheckGroup; }
    void setCheckGroup(int group) { fCheckGroup = group; }
    bool AllowAllUp() const { return fAllowAllUp; }
    void setAllowAllUp(bool on) { fAllowAllUp = on; }
    bool Transparent() const { return fTransparent; }
    void setTransparent(bool on);
    int PushOffset() const { return fPushOffset; }
    void setPushOffset(int v) { fPushOffset = v; }
    bool AutoSize() const { return fAutoSize; }
    void setAutoSize(bool on);
    QColor Color() const { return fColor; }
    void setColor(const QColor& c);
    Status status() const { return fStatus; }

    // The face as it would be drawn now.
    QImage render() const;

signals:
    void clicked();
    void mouseDown(Qt::MouseButton button, const QPoint& pos);
    void mouseUp(Qt::MouseButton button, const QPoint& pos);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void groupNotification(int group, TveskImageButton* sender);
    void sizeToImage();
    void drawFace(QPainter& p, const QPixmap& face, bool tiled) const;
    QPixmap prepared(const QPixmap& p) const;

    QPixmap fImage, fOverImage, fDownImage, fDisableImage;
    bool fChecked = false;
    int fCheckGroup = 0;
    bool fAllowAllUp = false;
    bool fTransparent = false;
    int fPushOffset = 0;
    bool fAutoSize = true;
    bool fOwnColor = false;
    QColor fColor;
    Status fStatus = Normal;
};
