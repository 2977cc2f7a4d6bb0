// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/rotctl.h"

#include "core/kt90.h"

#include <gtest/gtest.h>

using namespace kt90;

namespace {
RotctlRequest one(const std::string& line)
{
    const auto all = ParseRotctlLine(line);
    EXPECT_EQ(all.size(), 1u) << line;
    return all.empty() ? RotctlRequest{} : all.front();
}
} // namespace

TEST(RotctlParse, NamesArgumentsAndForms)
{
    const RotctlRequest a = one("+\\set_pos 1,5 2.5\r\n");
    EXPECT_EQ(a.kind, RotctlRequest::Kind::SetPos);
    EXPECT_TRUE(a.extended);
    EXPECT_EQ(a.args, "1,5 2.5");
    EXPECT_DOUBLE_EQ(*a.a, 1.5);
    EXPECT_DOUBLE_EQ(*a.b, 2.5);
    EXPECT_TRUE(ParseRotctlLine("   \r\n").empty());
    EXPECT_EQ(one("q").kind, RotctlRequest::Kind::Quit);
    EXPECT_EQ(one("\\quit").kind, RotctlRequest::Kind::Quit);
    EXPECT_EQ(one("pp").kind, RotctlRequest::Kind::Unknown);
    EXPECT_EQ(one("\\get_status").kind, RotctlRequest::Kind::NotImplemented);
    EXPECT_FALSE(one("P 1e999 0").a.has_value());
    EXPECT_TRUE(one("P 10").missingArgs);
}

// Each command takes its own arguments from the line, as rotctld cuts it.
TEST(RotctlParse, SeveralCommandsOnALine)
{
    using K = RotctlRequest::Kind;
    struct Case {
        const char* line;
        std::vector<K> kinds;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"p p", {K::GetPos, K::GetPos}, {"", ""}},
        {"P 1 2 p", {K::SetPos, K::GetPos}, {"1 2", ""}},
        {"+p \\set_pos 3 4 +S", {K::GetPos, K::SetPos, K::Stop}, {"", "3 4", ""}},
        {"x p", {K::NotImplemented}, {"p"}}, // get_parm takes the p as its parameter
        {"M 8 0 q p", {K::Move, K::Quit, K::GetPos}, {"8 0", "", ""}},
    };
    for (const auto& c : cases) {
        const auto got = ParseRotctlLine(c.line);
        ASSERT_EQ(got.size(), c.kinds.size()) << c.line;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].kind, c.kinds[i]) << c.line << " #" << i;
            EXPECT_EQ(got[i].args, c.args[i]) << c.line << " #" << i;
        }
    }
}

TEST(RotctlAxes, TheMotorOfEachKind)
{
    struct Case {
        std::uint8_t m1, m2;
        int az, el;
    };
    const Case cases[] = {{kKindAzimuth, kKindElevation, 0, 1},
                          {kKindElevation, kKindAzimuth, 1, 0},
                          {kKindAzimuth, kKindAzimuth, 0, -1},
                          {kKindElevation, kKindElevation, -1, 0}};
    for (const auto& c : cases) {
        const RotatorAxes a = AxesOfKinds(c.m1, c.m2);
        EXPECT_EQ(a.az, c.az) << int(c.m1) << int(c.m2);
        EXPECT_EQ(a.el, c.el) << int(c.m1) << int(c.m2);
    }
}
