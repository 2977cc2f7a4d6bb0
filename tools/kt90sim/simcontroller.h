// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The simulated KT-90: two motors moving towards their set positions, the jog
// mask, the outputs and the configuration block, answering each command as
// the controller does. Time is whatever the caller says it is.

#include "core/frames.h"
#include "core/kt90.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kt90::sim {

enum class Transport { Serial, Tcp };

struct SimSettings {
    double speed = 6.0; // degrees per second, both motors
    double m1 = 0.0;    // start angles
    double m2 = 0.0;
    std::uint8_t m1Gear = 10; // resolution bytes reported in position replies
    std::uint8_t m2Gear = 10;
    bool refuseAcknowledgements = false;
    // For tests: a reply to put in place of the controller's own, when it
    // returns one. The command still takes effect.
    std::function<std::optional<Frame>(const Frame& command)> replaceReply;
};

class SimController {
public:
    explicit SimController(const SimSettings& settings = {});

    // The reply to one whole command frame (or block data packet), or none.
    std::optional<Frame> handle(const Frame& command, Transport transport);

    // Moves the motors by the time passed.
    void advance(std::uint64_t ms);
    std::uint64_t now() const { return nowMs; }

    double angle(std::size_t motor) const { return angles[motor]; }
    double target(std::size_t motor) const { return targets[motor]; }
    void setAngle(std::size_t motor, double a);
    std::uint32_t jogMask() const { return jog; }
    std::uint8_t outputs() const { return outs; }
    void setOutputs(std::uint8_t mask) { outs = mask; }
    bool moving() const;

    // The block as a download would deliver it: pulses follow the angles.
    TktFRAMParams block() const;
    void setBlock(const TktFRAMParams& b) { stored = b; }
    SimSettings& settings() { return cfg; }

    // Every frame received, in order.
    const std::vector<Frame>& received() const { return log; }
    // The controller's time at which each of them arrived.
    const std::vector<std::uint64_t>& receivedAt() const { return logTimes; }

private:
    std::optional<Frame> answer(const Frame& command, Transport transport);
    Frame position() const;
    Frame ack(Command answered, bool ok) const;
    void setPosition(const Frame& f);
    void jogTo(std::uint32_t mask);
    std::optional<Frame> header(const Frame& f);
    std::optional<Frame> data(const Frame& f);
    std::optional<Frame> store();
    double lowLimit(std::size_t motor) const;
    double highLimit(std::size_t motor) const;

    SimSettings cfg;
    TktFRAMParams stored;
    double angles[2];
    double targets[2];
    std::uint32_t jog = 0;
    std::uint8_t outs = 0;
    std::uint64_t nowMs = 0;
    std::vector<Frame> log;
    std::vector<std::uint64_t> logTimes;

    bool uploading = false;
    std::size_t uploadCount = 0;
    std::vector<std::uint8_t> pending;
};

// One line of text naming a frame, for the traffic display.
std::string describeCommand(const Frame& f);
std::string describeReply(const Frame& f);
std::string hex(const Frame& f, std::size_t max = 16);

} // namespace kt90::sim
