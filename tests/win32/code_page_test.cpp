#include <windows.h>

#include <gtest/gtest.h>

// The Windows tier runs with code page 936 as the ANSI page, as on the client's machines: the
// file names and texts that pass through the A functions are GBK there.
TEST(Win32Tier, AnsiCodePageIs936) {
    EXPECT_EQ(GetACP(), 936u);
}
