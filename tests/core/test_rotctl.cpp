#include "core/rotctl.h"

#include <gtest/gtest.h>

using namespace kt90;

TEST(RotctlParse, NamesArgumentsAndForms)
{
    const RotctlRequest a = ParseRotctl("+\\set_pos 1,5 2.5\r\n");
    EXPECT_EQ(a.kind, RotctlRequest::Kind::SetPos);
    EXPECT_TRUE(a.extended);
    EXPECT_EQ(a.args, "1,5 2.5");
    EXPECT_DOUBLE_EQ(*a.a, 1.5);
    EXPECT_DOUBLE_EQ(*a.b, 2.5);
    EXPECT_EQ(ParseRotctl("   \r\n").kind, RotctlRequest::Kind::Empty);
    EXPECT_EQ(ParseRotctl("q").kind, RotctlRequest::Kind::Quit);
    EXPECT_EQ(ParseRotctl("\\quit").kind, RotctlRequest::Kind::Quit);
    EXPECT_EQ(ParseRotctl("pp").kind, RotctlRequest::Kind::Unknown);
    EXPECT_FALSE(ParseRotctl("P 1e999 0").a.has_value());
}
