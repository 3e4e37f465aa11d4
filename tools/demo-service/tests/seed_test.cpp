#include "seed.h"

#include <gtest/gtest.h>

namespace demo {
namespace {

TEST(ParseSeed, ReadsTheThreeSections) {
    Seed seed = parse_seed("\xEF\xBB\xBF# comment\n"
                           "[accounts]\n"
                           "  demo | demo123 | 2099-12-31 23:59:59 | 億萬套餐 | active  \r\n"
                           "old|p|2020-01-01|月付|expired\n"
                           "\n"
                           "[lines]\n"
                           "北京一号 | 电信 100M | 北京\n"
                           "[notice]\n"
                           "  欢迎 <b>使用</b>  \n",
                           "seed.txt");
    ASSERT_EQ(seed.accounts.size(), 2u);
    EXPECT_EQ(seed.accounts[0].name, "demo");
    EXPECT_EQ(seed.accounts[0].password, "demo123");
    EXPECT_EQ(seed.accounts[0].expiry, "2099-12-31 23:59:59");
    EXPECT_EQ(seed.accounts[0].package, "億萬套餐");
    EXPECT_FALSE(seed.accounts[0].expired);
    EXPECT_TRUE(seed.accounts[1].expired);
    EXPECT_EQ(seed.accounts[1].expiry, "2020-01-01");
    ASSERT_EQ(seed.lines.size(), 1u);
    EXPECT_EQ(seed.lines[0].name, "北京一号");
    EXPECT_EQ(seed.lines[0].description, "电信 100M");
    EXPECT_EQ(seed.lines[0].region, "北京");
    ASSERT_EQ(seed.notice.size(), 1u);
    EXPECT_EQ(seed.notice[0], "欢迎 <b>使用</b>");
}

TEST(ParseSeed, NamesTheLineAndTheFault) {
    struct Case {
        const char* text;
        const char* message_part;
    } cases[] = {
        {"demo|p|2099-01-01|x|active\n", "seed.txt:1: text before the first section"},
        {"[users]\n", "seed.txt:1: unknown section [users]"},
        {"[accounts]\ndemo|p|2099-01-01|x\n", "seed.txt:2: an account needs 5 fields"},
        {"[accounts]\n|p|2099-01-01|x|active\n", "empty account name"},
        {"[accounts]\na|p|2099-01-01|x|active\na|q|2099-01-01|y|active\n", "seed.txt:3: account \"a\" appears twice"},
        {"[accounts]\na|p|31.12.2099|x|active\n", "is not YYYY-MM-DD"},
        {"[accounts]\na|p|2099-01-01 25:00|x|active\n", "is not YYYY-MM-DD"},
        {"[accounts]\na|p|2099-01-01|x|paid\n", "state must be"},
        {"[accounts]\na|p|2099-01-01|\xFF\xFE|active\n", "the package is not UTF-8"},
        // A character code page 936 has no form for: the client could not show it.
        {"[accounts]\na|p|2099-01-01|\xF0\x9F\x98\x80|active\n", "the package is not UTF-8"},
        {"[lines]\n北京|电信\n", "a line needs 3 fields"},
        {"[lines]\n北京:1|电信|北京\n", "must not hold"},
        {"[lines]\n北京|电信+联通|北京\n", "must not hold"},
        {"[lines]\n北京|电信;|北京\n", "must not hold"},
        {"[lines]\n北京|电信|\n", "a line needs a name and a region"},
    };
    for (const Case& c : cases) {
        try {
            parse_seed(c.text, "seed.txt");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const SeedError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message_part), std::string::npos) << e.what();
        }
    }
}

TEST(ReadSeedFile, ReportsAMissingFile) {
    EXPECT_THROW(read_seed_file("/nonexistent/seed.txt"), SeedError);
}

}  // namespace
}  // namespace demo
