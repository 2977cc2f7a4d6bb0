// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/kt90.h"

#include <cstring>

namespace kt90 {

std::uint32_t TktFRAMParams::u32(std::size_t at) const
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void TktFRAMParams::setU32(std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

float TktFRAMParams::f32(std::size_t at) const
{
    static_assert(sizeof(float) == 4, "float32 fields need a 4-byte float");
    const std::uint32_t raw = u32(at);
    float v;
    std::memcpy(&v, &raw, sizeof v);
    return v;
}

void TktFRAMParams::setF32(std::size_t at, float v)
{
    std::uint32_t raw;
    std::memcpy(&raw, &v, sizeof raw);
    setU32(at, raw);
}

namespace {

struct MotorDefaults {
    float minAngle, maxAngle, gear;
    std::uint8_t minPower, state, type, kind, input;
    std::uint8_t startTime[3], startPower[3], stopTime[3], stopPower[3];
    std::uint8_t maxPower, pulsTimeout;
};

constexpr MotorDefaults kMotorDefaults[kMotorCount] = {
    {-180.0f,
     540.0f,
     0.09375f,
     10,
     1,
     0,
     kKindAzimuth,
     1,
     {1, 1, 1},
     {20, 50, 80},
     {1, 1, 1},
     {80, 50, 20},
     100,
     4},
    {-15.0f,
     195.0f,
     0.09375f,
     10,
     1,
     0,
     kKindElevation,
     1,
     {5, 0, 0},
     {30, 40, 60},
     {2, 0, 0},
     {50, 40, 30},
     100,
     4},
};

constexpr std::uint8_t kComDefaults[offs::comSize] = {0, 0, 2, 4, 8, 1, 0, 0};

void writeMotor(TktFRAMParams& b, std::size_t m, const MotorDefaults& d)
{
    using namespace offs::motorRec;
    const auto at = [m](std::size_t field) { return TktFRAMParams::motorField(m, field); };
    b.setF32(at(min_angle), d.minAngle);
    b.setF32(at(max_angle), d.maxAngle);
    b.setF32(at(gear), d.gear);
    b.setU8(at(min_power), d.minPower);
    b.setU8(at(state), d.state);
    b.setU8(at(type), d.type);
    b.setU8(at(kind), d.kind);
    b.setU8(at(input), d.input);
    for (std::size_t i = 0; i < 3; ++i) {
        b.setU8(at(start_time) + i, d.startTime[i]);
        b.setU8(at(start_power) + i, d.startPower[i]);
        b.setU8(at(stop_time) + i, d.stopTime[i]);
        b.setU8(at(stop_power) + i, d.stopPower[i]);
    }
    b.setU8(at(max_power), d.maxPower);
    b.setU8(at(puls_timeout), d.pulsTimeout);
}

} // namespace

void FillDefaults(TktFRAMParams& b)
{
    b.setU32(offs::data_ver, kOwnDataVersion);
    for (std::size_t m = 0; m < kMotorCount; ++m)
        writeMotor(b, m, kMotorDefaults[m]);
    for (std::size_t port = 0; port < 2; ++port)
        std::memcpy(&b.bytes[TktFRAMParams::comField(port, 0)], kComDefaults, offs::comSize);
    std::memset(&b.bytes[offs::elMap], 0, offs::elMapSize);
    b.setU8(offs::rotorSpeedMode, 100);
    b.setU8(offs::com_state, 0);
    b.setU8(offs::com_state + 1, 0);
    b.setU8(offs::manual_ctrl_start, 0);
    b.setU8(offs::manual_ctrl_stop, 0);
    b.setU8(offs::usb_baudrate, 10);
    b.setU8(offs::use_short_way, 0);
    b.setU8(offs::use_el_map, 0);
    b.setU8(offs::el_constant, 0);
    b.setU8(offs::usb_state, 1);
    b.setU8(offs::eth_state, 0);
    b.setU8(offs::motor_template, 3);
    b.setU8(offs::motor_control1, 3);
    b.setU8(offs::motor_protocol1, 2);
    b.setU8(offs::motor_control2, 0);
    b.setU8(offs::motor_protocol2, 2);
    b.setU8(offs::az_show_math, 0);
    b.setU8(offs::pair_rotors, 0);
}

std::optional<TktFRAMParams> ConfigFromFileBytes(const TktFRAMParams& base,
                                                 const std::uint8_t* data, std::size_t size)
{
    if (size > kBlockSize)
        return std::nullopt;
    TktFRAMParams block = base;
    FillDefaults(block);
    if (size > 0)
        std::memcpy(block.bytes.data(), data, size);
    block.setU32(offs::data_ver, kOwnDataVersion);
    return block;
}

} // namespace kt90
