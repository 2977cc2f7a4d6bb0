// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/kt90.h"

#include <gtest/gtest.h>

#include <set>

using namespace kt90;

namespace {

std::vector<std::uint8_t> bytesAt(const TktFRAMParams& b, std::size_t at, std::size_t n)
{
    return std::vector<std::uint8_t>(b.bytes.begin() + at, b.bytes.begin() + at + n);
}

} // namespace

TEST(Kt90Block, LittleEndianAccess)
{
    TktFRAMParams b;
    b.setU32(0, 0x11223344u);
    EXPECT_EQ(bytesAt(b, 0, 4), (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11}));
    b.setF32(8, -180.0f);
    EXPECT_EQ(bytesAt(b, 8, 4), (std::vector<std::uint8_t>{0x00, 0x00, 0x34, 0xC3}));
    EXPECT_EQ(b.f32(8), -180.0f);
    b.setPulses(1, -2);
    EXPECT_EQ(bytesAt(b, 96, 4), (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(b.pulses(1), -2);
}

TEST(Kt90Block, DefaultsByteForByte)
{
    TktFRAMParams b;
    b.bytes.fill(0xCC);
    FillDefaults(b);

    // Hand-written images of the two motor records (36 bytes each).
    const std::vector<std::uint8_t> m1 = {
        0x00, 0x00, 0x34, 0xC3, // min_angle -180.0
        0x00, 0x00, 0x07, 0x44, // max_angle 540.0
        0x00, 0x00, 0xC0, 0x3D, // gear 0.09375
        10,   0xCC, 0xCC, 0xCC, // min_power, 3 bytes carried
        1,    0,    0,    1,    // state, type, kind AZIMUTH, input ELECTRONIC
        1,    1,    1,          // start_time
        20,   50,   80,         // start_power
        1,    1,    1,          // stop_time
        80,   50,   20,         // stop_power
        100,  4,    0xCC, 0xCC, // max_power, puls_timeout, 2 bytes carried
    };
    const std::vector<std::uint8_t> m2 = {
        0x00, 0x00, 0x70, 0xC1,                              // min_angle -15.0
        0x00, 0x00, 0x43, 0x43,                              // max_angle 195.0
        0x00, 0x00, 0xC0, 0x3D,                              // gear 0.09375
        10,   0xCC, 0xCC, 0xCC,                              //
        1,    0,    1,    1,                                 // kind ELEVATION
        5,    0,    0,    30,   40, 60, 2, 0, 0, 50, 40, 30, //
        100,  4,    0xCC, 0xCC,
    };
    EXPECT_EQ(bytesAt(b, 0, 4), (std::vector<std::uint8_t>{0xFA, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(bytesAt(b, 4, 36), m1);
    EXPECT_EQ(bytesAt(b, 40, 36), m2);
    const std::vector<std::uint8_t> com = {0, 0, 2, 4, 8, 1, 0, 0};
    EXPECT_EQ(bytesAt(b, 76, 8), com);
    EXPECT_EQ(bytesAt(b, 84, 8), com);
    EXPECT_EQ(bytesAt(b, 108, 360), std::vector<std::uint8_t>(360, 0));
    EXPECT_EQ(b.bytes[468], 100);
    const std::vector<std::uint8_t> tail = {
        0,    0,    10,   0, // manual start, stop, usb_baudrate, use_short_way
        0,    0,    0xCC,    // use_el_map, el_constant, mouse_control carried
        1,    0,    3,    3,
        2,    0,    2,       // usb, eth, template, control1, protocol1, control2, protocol2
        0,    0,    0,    0, // com_state[2], az_show_math, pair_rotors
        0xCC, 0xCC,
    };
    EXPECT_EQ(bytesAt(b, 476, 20), tail);

    // What has no default is carried: the motor variables, the motor pins and
    // the bytes that are not interpreted.
    for (std::size_t at = 92; at < 108; ++at)
        EXPECT_EQ(b.bytes[at], 0xCC) << at;
    for (std::size_t at = 469; at < 476; ++at)
        EXPECT_EQ(b.bytes[at], 0xCC) << at;

    EXPECT_EQ(b.kind(0), kKindAzimuth);
    EXPECT_EQ(b.kind(1), kKindElevation);
    EXPECT_FALSE(b.azShowMath());
}

#include "core/versiontext.h"

TEST(VersionText, FromTheBuildVersion)
{
    EXPECT_EQ(VersionText(2, 0, 6, 0), "2.0f");
    EXPECT_EQ(VersionText(2, 0, 0, 0), "2.0");
    EXPECT_EQ(VersionText(2, 0, 1, 0), "2.0a");
    EXPECT_EQ(VersionText(3, 12, 0, 7), "3.12`"); // a build alone adds 96 + 0
}
