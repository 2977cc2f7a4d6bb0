// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The serial port as the link needs it: 8N1, no flow control, DTR and RTS
// held off, blocking writes and a receive event on the GUI thread.

#include <QObject>
#include <QSerialPort>
#include <QString>

#include <cstdint>

class ISerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void setPortName(const QString& name) = 0; // effective at the next open
    virtual QString portName() const = 0;
    virtual void setBaudRate(int rate) = 0;
    virtual void open() = 0; // throws kt90::Error with the port's message
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void write(const std::uint8_t* data, int count) = 0; // all bytes, or throws
    virtual int read(std::uint8_t* into, int count) = 0;         // bytes already waiting
    // Announces, through RxChar and before returning, bytes that have arrived
    // but that the event loop has not yet seen.
    virtual void takeArrived() {}

signals:
    // Bytes have arrived; count is how many are waiting.
    void RxChar(int count);
};

class TQtSerialPort : public ISerialPort {
    Q_OBJECT
public:
    explicit TQtSerialPort(QObject* parent = nullptr);
    void setPortName(const QString& name) override { fName = name; }
    QString portName() const override { return fName; }
    void setBaudRate(int rate) override { fRate = rate; }
    void open() override;
    void close() override;
    bool isOpen() const override { return fPort.isOpen(); }
    void write(const std::uint8_t* data, int count) override;
    int read(std::uint8_t* into, int count) override;
    void takeArrived() override;

private:
    QSerialPort fPort;
    QString fName;
    int fRate = 460800;
};
