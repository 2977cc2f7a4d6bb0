// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A line of readout text that the link writes and a display shows.

#include <QObject>
#include <QString>

class TReadout : public QObject {
    Q_OBJECT
public:
    explicit TReadout(const QString& text = {}, QObject* parent = nullptr)
        : QObject(parent), fText(text)
    {
    }
    const QString& Text() const { return fText; }
    void setText(const QString& text)
    {
        if (text == fText)
            return;
        fText = text;
        emit changed(fText);
    }

signals:
    void changed(const QString& text);

private:
    QString fText;
};
