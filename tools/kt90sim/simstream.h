// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One byte stream to the simulated controller: cuts the incoming bytes into
// frames, resynchronising on garbage, and shapes the replies by the fault
// modes (silence, delay, pieces, garbage, hang-up).

#include "kt90sim/simcontroller.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace kt90::sim {

struct SimFaults {
    bool silent = false;               // never answer
    std::uint64_t delayMs = 0;         // hold each reply this long
    std::vector<std::size_t> pieces;   // piece sizes; the last one repeats
    std::uint64_t pieceGapMs = 5;      // between pieces of one reply
    std::vector<std::uint8_t> garbage; // sent before each reply
    long closeAfter = -1;              // hang up when frame N+1 arrives
};

class SimStream {
public:
    using Log = std::function<void(const std::string&)>;

    SimStream(SimController& controller, Transport transport, const SimFaults& faults,
              Log log = {});

    // Bytes from the client, at the controller's current time.
    void feed(const std::uint8_t* data, std::size_t n);

    // Output that is due by now, in order, one entry per write.
    std::vector<Frame> takeDue();

    // When the next output falls due; empty when none is queued.
    std::optional<std::uint64_t> nextDue() const;

    void setFaults(const SimFaults& f) { faults = f; }

    // The close-after count was reached: the stream takes and gives nothing.
    bool hungUp() const { return hangup; }

private:
    void frame(const Frame& f);
    void queue(const Frame& reply);

    struct Pending {
        std::uint64_t due;
        Frame bytes;
    };

    SimController& ctl;
    Transport transport;
    SimFaults faults;
    Log log;
    std::vector<std::uint8_t> in;
    std::deque<Pending> out;
    long frames = 0;
    bool hangup = false;
};

} // namespace kt90::sim
