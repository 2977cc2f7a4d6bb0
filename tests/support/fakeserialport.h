// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/errors.h"
#include "core/frames.h"
#include "link/serialport.h"

#include <deque>
#include <vector>

// A serial port under the test's hand: what it receives is whatever the test
// pushes, and its writes can be made to fail.
class FakeSerialPort : public ISerialPort {
public:
    bool opened = true;
    QString name;
    int rate = 0;
    int opens = 0;
    bool failWrites = false;
    std::deque<std::uint8_t> waiting;
    std::vector<kt90::Frame> written;

    void setPortName(const QString& n) override { name = n; }
    QString portName() const override { return name; }
    void setBaudRate(int r) override { rate = r; }
    void open() override
    {
        opened = true;
        ++opens;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    void write(const std::uint8_t* data, int count) override
    {
        if (failWrites)
            throw kt90::Error("Input/output error");
        written.emplace_back(data, data + count);
    }
    int read(std::uint8_t* into, int count) override
    {
        int n = 0;
        for (; n < count && !waiting.empty(); ++n) {
            into[n] = waiting.front();
            waiting.pop_front();
        }
        return n;
    }
    void deliver(const std::vector<std::uint8_t>& bytes)
    {
        waiting.insert(waiting.end(), bytes.begin(), bytes.end());
        emit RxChar(static_cast<int>(waiting.size()));
    }
    // Bytes that the event loop announces when it next runs, as a real
    // port's receive event does.
    void arrive(const std::vector<std::uint8_t>& bytes)
    {
        waiting.insert(waiting.end(), bytes.begin(), bytes.end());
        unannounced = true;
        QMetaObject::invokeMethod(
            this, [this] { takeArrived(); }, Qt::QueuedConnection);
    }
    void takeArrived() override
    {
        if (unannounced) {
            unannounced = false;
            emit RxChar(static_cast<int>(waiting.size()));
        }
    }
    bool unannounced = false;
};
