// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/inifile.h"

#include <gtest/gtest.h>

using namespace kt90;

TEST(IniFile, ReadingRules)
{
    const IniDocument ini("; settings\r\n"
                          "[options]\r\n"
                          "  Pooling (ms) = 333  \r\n"
                          "Timeout (ms)=abc\r\n"
                          "HOST IP=\r\n"
                          "Quoted=\"a b\"\r\n"
                          "Show power outs=2\r\n"
                          "Negative=-7\r\n"
                          "Plus=+12\r\n"
                          "Twice=1\r\n"
                          "Twice=2\r\n"
                          "[Other]\r\n"
                          "Baudrate index=4\r\n");
    EXPECT_EQ(ReadInteger(ini, "Options", "Pooling (ms)", 250), 333);
    EXPECT_EQ(ReadInteger(ini, "Options", "Timeout (ms)", 500), 500);
    EXPECT_EQ(ReadInteger(ini, "Options", "Baudrate index", 10), 10) << "another section";
    EXPECT_EQ(ReadInteger(ini, "Options", "Negative", 0), -7);
    EXPECT_EQ(ReadInteger(ini, "Options", "Plus", 0), 12);
    EXPECT_EQ(ReadInteger(ini, "Options", "Twice", 0), 1);
    EXPECT_EQ(ReadString(ini, "Options", "HOST IP", "0.0.0.0"), "") << "empty stays empty";
    EXPECT_EQ(ReadString(ini, "Options", "HOST PORT", "23"), "23");
    EXPECT_EQ(ReadString(ini, "Options", "Quoted", ""), "a b");
    EXPECT_TRUE(ReadBool(ini, "Options", "Show power outs", false));
    EXPECT_FALSE(ReadBool(ini, "Options", "Missing", false));
    EXPECT_EQ(ReadInteger(ini, "Options", "HOST IP", 9), 9);
}

TEST(IniFile, WritesChangeOnlyTheirLine)
{
    const std::string before = "; a comment, kept\r\n"
                               "[Other]\r\n"
                               "key = value with spaces  \r\n"
                               "\r\n"
                               "# another\r\n"
                               "[Options]\r\n"
                               "Pooling (ms) = 333\r\n"
                               "Selected port=ttyUSB0\r\n"
                               "\r\n"
                               "; before the last section\r\n"
                               "[Last]\r\n"
                               "y=2";
    IniDocument ini(before);
    EXPECT_EQ(ini.text(), before) << "read and written unchanged";

    ini.setValue("Options", "Pooling (ms)", "250");
    ini.setValue("Options", "Timeout (ms)", "1000");
    EXPECT_EQ(ini.text(), "; a comment, kept\r\n"
                          "[Other]\r\n"
                          "key = value with spaces  \r\n"
                          "\r\n"
                          "# another\r\n"
                          "[Options]\r\n"
                          "Pooling (ms)=250\r\n"
                          "Selected port=ttyUSB0\r\n"
                          "Timeout (ms)=1000\r\n"
                          "\r\n"
                          "; before the last section\r\n"
                          "[Last]\r\n"
                          "y=2");
    ini.setValue("New", "a", "1");
    const std::string tail = "[Last]\r\ny=2\r\n[New]\r\na=1\r\n";
    EXPECT_EQ(ini.text().substr(ini.text().size() - tail.size()), tail);
}

TEST(IniFile, EmptyTextGetsTheSection)
{
    IniDocument ini;
    ini.setValue("Options", "Baudrate index", "8");
    ini.setValue("Options", "HOST IP", "10.0.0.5");
    EXPECT_EQ(ini.text(), "[Options]\nBaudrate index=8\nHOST IP=10.0.0.5\n");
    EXPECT_EQ(ReadInteger(IniDocument(ini.text()), "OPTIONS", "baudrate INDEX", 10), 8);
}
