// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/serialport.h"

#include "core/errors.h"

namespace {
// How long a write may take beyond the time its bits need on the wire.
constexpr int kWriteSlackMs = 1000;
} // namespace

TQtSerialPort::TQtSerialPort(QObject* parent) : ISerialPort(parent)
{
    connect(&fPort, &QSerialPort::readyRead, this,
            [this] { emit RxChar(static_cast<int>(fPort.bytesAvailable())); });
    // An adapter pulled out of the machine closes the port, so that the link
    // sees it closed instead of writing into the void.
    connect(&fPort, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError && fPort.isOpen())
            fPort.close();
    });
}

void TQtSerialPort::takeArrived()
{
    if (fPort.isOpen())
        fPort.waitForReadyRead(0);
}

void TQtSerialPort::open()
{
    if (fPort.isOpen())
        fPort.close();
    fPort.setPortName(fName);
    fPort.setBaudRate(fRate);
    fPort.setDataBits(QSerialPort::Data8);
    fPort.setParity(QSerialPort::NoParity);
    fPort.setStopBits(QSerialPort::OneStop);
    fPort.setFlowControl(QSerialPort::NoFlowControl);
    if (!fPort.open(QIODevice::ReadWrite)) {
        const QString why = fPort.errorString();
        fPort.clearError();
        throw kt90::Error(why.toStdString());
    }
    // Pseudo-terminals and some adapters have no modem lines; a port without
    // them is still usable, so a refusal here is not a failure of the open.
    fPort.setDataTerminalReady(false);
    fPort.setRequestToSend(false);
    fPort.clearError();
}

void TQtSerialPort::close()
{
    if (fPort.isOpen())
        fPort.close();
}

void TQtSerialPort::write(const std::uint8_t* data, int count)
{
    if (!fPort.isOpen())
        throw kt90::Error("The serial port is not open.");
    if (fPort.write(reinterpret_cast<const char*>(data), count) != count)
        throw kt90::Error(fPort.errorString().toStdString());
    const int wireMs = fRate > 0 ? static_cast<int>(count * 10LL * 1000 / fRate) : 0;
    while (fPort.bytesToWrite() > 0) {
        if (!fPort.waitForBytesWritten(wireMs + kWriteSlackMs))
            throw kt90::Error(fPort.errorString().toStdString());
    }
}

int TQtSerialPort::read(std::uint8_t* into, int count)
{
    const qint64 n = fPort.read(reinterpret_cast<char*>(into), count);
    return n < 0 ? 0 : static_cast<int>(n);
}
