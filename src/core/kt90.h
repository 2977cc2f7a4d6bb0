// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The controller's 496-byte configuration block: its byte layout, typed
// access to the fields and the default values.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kt90 {

constexpr std::size_t kBlockSize = 496;
constexpr std::size_t kMotorCount = 2;

// Byte offsets within the block. Multi-byte numbers are little-endian.
namespace offs {
constexpr std::size_t data_ver = 0;
constexpr std::size_t motor = 4; // two TktMotorParams records
constexpr std::size_t motorSize = 36;
constexpr std::size_t com = 76; // two TktComParams records
constexpr std::size_t comSize = 8;
constexpr std::size_t motors = 92; // TktMotorVars
constexpr std::size_t brite = 108; // TktBriteParams
constexpr std::size_t motor_pins = 472;
constexpr std::size_t manual_ctrl_start = 476;
constexpr std::size_t manual_ctrl_stop = 477;
constexpr std::size_t usb_baudrate = 478;
constexpr std::size_t use_short_way = 479;
constexpr std::size_t use_el_map = 480;
constexpr std::size_t el_constant = 481;
constexpr std::size_t mouse_control = 482;
constexpr std::size_t usb_state = 483;
constexpr std::size_t eth_state = 484;
constexpr std::size_t motor_template = 485;
constexpr std::size_t motor_control1 = 486;
constexpr std::size_t motor_protocol1 = 487;
constexpr std::size_t motor_control2 = 488;
constexpr std::size_t motor_protocol2 = 489;
constexpr std::size_t com_state = 490;
constexpr std::size_t az_show_math = 492;
constexpr std::size_t pair_rotors = 493;

// Within a TktMotorParams record.
namespace motorRec {
constexpr std::size_t min_angle = 0;
constexpr std::size_t max_angle = 4;
constexpr std::size_t gear = 8;
constexpr std::size_t min_power = 12;
constexpr std::size_t state = 16;
constexpr std::size_t type = 17;
constexpr std::size_t kind = 18;
constexpr std::size_t input = 19;
constexpr std::size_t start_time = 20;
constexpr std::size_t start_power = 23;
constexpr std::size_t stop_time = 26;
constexpr std::size_t stop_power = 29;
constexpr std::size_t max_power = 32;
constexpr std::size_t puls_timeout = 33;
} // namespace motorRec

// Within a TktComParams record.
namespace comRec {
constexpr std::size_t baud = 3;
constexpr std::size_t data_bits = 4;
constexpr std::size_t stop_bits = 5;
constexpr std::size_t parity = 6;
} // namespace comRec

constexpr std::size_t motorsSize = 16;
constexpr std::size_t briteSize = 361;

// Within TktMotorVars.
constexpr std::size_t pulses = motors + 0; // int32[2]

// Within TktBriteParams.
constexpr std::size_t elMap = brite + 0; // int8[360]
constexpr std::size_t elMapSize = 360;
constexpr std::size_t rotorSpeedMode = brite + 360;

// The records follow one another without gaps, and the single fields after
// them fill the block to its last byte.
static_assert(motor + 2 * motorSize == com, "motor records end where the COM records start");
static_assert(com + 2 * comSize == motors, "COM records end where the motor variables start");
static_assert(motors + motorsSize == brite, "motor variables end where the map starts");
static_assert(brite + briteSize == 469, "the map and speed mode end at 469");
static_assert(elMapSize + 1 == briteSize, "the map is followed by the speed mode");
static_assert(motor_pins == 472 && manual_ctrl_start == motor_pins + 4, "motor pins are 4 bytes");
static_assert(pair_rotors + 3 == kBlockSize, "two bytes follow the last field");
static_assert(motorRec::puls_timeout + 3 == motorSize, "two bytes end a motor record");
static_assert(motorRec::stop_power + 3 == motorRec::max_power, "three stop powers");
static_assert(comRec::parity + 2 == comSize, "one byte ends a COM record");
} // namespace offs

// Motor kinds as the block stores them.
constexpr std::uint8_t kKindAzimuth = 0;
constexpr std::uint8_t kKindElevation = 1;

// The block as the controller holds it, byte for byte. Bytes that the panel
// does not interpret travel unchanged.
class TktFRAMParams {
public:
    std::array<std::uint8_t, kBlockSize> bytes{};

    std::uint8_t u8(std::size_t at) const { return bytes[at]; }
    void setU8(std::size_t at, std::uint8_t v) { bytes[at] = v; }
    std::uint32_t u32(std::size_t at) const;
    void setU32(std::size_t at, std::uint32_t v);
    std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
    void setI32(std::size_t at, std::int32_t v) { setU32(at, static_cast<std::uint32_t>(v)); }
    float f32(std::size_t at) const;
    void setF32(std::size_t at, float v);

    static constexpr std::size_t motorField(std::size_t motor, std::size_t field)
    {
        return offs::motor + motor * offs::motorSize + field;
    }
    static constexpr std::size_t comField(std::size_t port, std::size_t field)
    {
        return offs::com + port * offs::comSize + field;
    }

    // The fields the position display reads.
    std::uint8_t kind(std::size_t motor) const
    {
        return u8(motorField(motor, offs::motorRec::kind));
    }
    float gear(std::size_t motor) const { return f32(motorField(motor, offs::motorRec::gear)); }
    std::int32_t pulses(std::size_t motor) const { return i32(offs::pulses + 4 * motor); }
    void setPulses(std::size_t motor, std::int32_t v) { setI32(offs::pulses + 4 * motor, v); }
    bool azShowMath() const { return u8(offs::az_show_math) == 1; }

    bool operator==(const TktFRAMParams& o) const { return bytes == o.bytes; }
    bool operator!=(const TktFRAMParams& o) const { return bytes != o.bytes; }
};

// Writes the default values into the block; bytes without a default keep
// their content.
void FillDefaults(TktFRAMParams& block);

// The data version the panel's own blocks carry (-6 as a signed number).
constexpr std::uint32_t kOwnDataVersion = 0xFFFFFFFAu;

// The block a configuration file's bytes give over a base block: the base
// with the defaults written into it, the file's bytes over its start,
// data_ver set to the panel's own. Empty for more bytes than a block holds.
std::optional<TktFRAMParams> ConfigFromFileBytes(const TktFRAMParams& base,
                                                 const std::uint8_t* data, std::size_t size);

} // namespace kt90
