#include "query.h"

#include <gtest/gtest.h>

namespace demo {
namespace {

TEST(PercentDecode, DecodesOnlyWellFormedEscapes) {
    struct Case {
        const char* text;
        std::string decoded;
    } cases[] = {
        {"%C9%CF%BA%A3", "\xC9\xCF\xBA\xA3"},  // GBK bytes of a region
        {"%41%62", "Ab"},
        {"%c9%cf", "\xC9\xCF"},               // lower-case hex
        {"a+b", "a+b"},                        // not form encoding: a plus stays a plus
        {"100%", "100%"},                      // "%" at the end
        {"%4", "%4"},                          // one digit only
        {"%ZZ1", "%ZZ1"},                      // not hex
        {"%%41", "%A"},
        {"", ""},
        {"\xB1\xB1", "\xB1\xB1"},              // raw bytes pass through
    };
    for (const Case& c : cases) EXPECT_EQ(percent_decode(c.text), c.decoded) << c.text;
}

TEST(QueryOf, IsTheTextAfterTheFirstQuestionMark) {
    EXPECT_EQ(query_of("/nas.php?ping=abcd"), "ping=abcd");
    EXPECT_EQ(query_of("/nas.php?a=?b"), "a=?b");
    EXPECT_EQ(query_of("/nas.php"), "");
    EXPECT_EQ(query_of("/nas.php?"), "");
}

TEST(Query, FindsDecodedKeysAndValues) {
    Query query("sousuo=sousuo&diqu=%B1%B1%BE%A9&&flag&%41=x");
    EXPECT_TRUE(query.has("sousuo"));
    EXPECT_EQ(query.value("diqu"), "\xB1\xB1\xBE\xA9");
    EXPECT_EQ(query.value("flag"), "");  // a key without "=" has an empty value
    EXPECT_EQ(query.value("A"), "x");
    EXPECT_FALSE(query.has("nas"));
    EXPECT_EQ(Query("diqu=").value("diqu"), "");
    EXPECT_EQ(Query("a=1&a=2").value("a"), "1");
}

TEST(SignInCredentials, KeepsWhatTheClientSendsUnescaped) {
    struct Case {
        const char* query;
        std::optional<Credentials> expected;
    } cases[] = {
        {"denglu=denglu&username=demo&password=demo123", Credentials{"demo", "demo123"}},
        {"denglu=denglu&username=demo&password=a&b=c+d", Credentials{"demo", "a&b=c+d"}},
        {"denglu=denglu&username=a&b&password=x", Credentials{"a&b", "x"}},
        {"denglu=denglu&username=%B2%E2&password=%41", Credentials{"\xB2\xE2", "A"}},
        {"denglu=denglu&username=\xB2\xE2&password=\xC3\xDC", Credentials{"\xB2\xE2", "\xC3\xDC"}},
        {"denglu=denglu&username=&password=", Credentials{"", ""}},
        // Another order still works through the plain fields.
        {"denglu=denglu&password=p&username=u", Credentials{"u", "p"}},
        // "xusername" is not the username field.
        {"denglu=denglu&xusername=u&password=p", std::nullopt},
        {"denglu=denglu&username=u", std::nullopt},
        {"denglu=denglu", std::nullopt},
    };
    for (const Case& c : cases) {
        auto got = sign_in_credentials(c.query);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.query;
        if (got) {
            EXPECT_EQ(got->name, c.expected->name) << c.query;
            EXPECT_EQ(got->password, c.expected->password) << c.query;
        }
    }
}

}  // namespace
}  // namespace demo
