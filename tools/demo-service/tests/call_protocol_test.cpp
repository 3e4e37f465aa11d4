#include "call_protocol.h"

#include <gtest/gtest.h>

namespace demo {
namespace {

TEST(ParseDial, ReadsHexOfCodePage936Bytes) {
    struct Case {
        const char* line;
        bool valid;
        std::string user;
        std::string password;
    } cases[] = {
        {"DIAL 64656D6F 64656D6F313233", true, "demo", "demo123"},
        {"DIAL 64656D6F 64656D6F313233\r", true, "demo", "demo123"},
        {"DIAL B2E2CAD4 6162", true, "\xB2\xE2\xCA\xD4", "ab"},
        {"DIAL b2e2 61", true, "\xB2\xE2", "a"},
        {"DIAL - -", true, "", ""},
        {"DIAL 61 -", true, "a", ""},
        {"DIAL 616 61", false, "", ""},      // odd number of digits
        {"DIAL 6G 61", false, "", ""},       // not hex
        {"DIAL 61", false, "", ""},          // no password
        {"DIAL 61 62 63", false, "", ""},    // a third value
        {"DIAL  61 62", false, "", ""},      // an empty value is "-", never nothing
        {"dial 61 62", false, "", ""},
        {"HELLO", false, "", ""},
        {"", false, "", ""},
    };
    for (const Case& c : cases) {
        auto dial = parse_dial(c.line);
        ASSERT_EQ(dial.has_value(), c.valid) << c.line;
        if (dial) {
            EXPECT_EQ(dial->user, c.user) << c.line;
            EXPECT_EQ(dial->password, c.password) << c.line;
        }
    }
}

}  // namespace
}  // namespace demo
