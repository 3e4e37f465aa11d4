#include <gtest/gtest.h>

#include <string>

// The whole build compiles narrow literals to GBK; every text comparison in the client relies on it.
TEST(ExecCharset, ChineseLiteralIsGbk) {
    const std::string text = "连接成功";
    EXPECT_EQ(text, "\xC1\xAC\xBD\xD3\xB3\xC9\xB9\xA6");
}
