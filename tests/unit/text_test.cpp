#include "support/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mervolt {
namespace {

struct SplitCase {
    const char* why;
    std::string text;
    std::string separator;
    std::vector<std::string> pieces;
};

const SplitCase split_cases[] = {
    {"empty text gives no pieces", "", ";", {}},
    {"one piece", "a", ";", {"a"}},
    {"trailing separator adds no empty piece", "a;", ";", {"a"}},
    {"adjacent separators enclose an empty piece", "a;;b", ";", {"a", "", "b"}},
    {"leading separator gives an empty first piece", ";a", ";", {"", "a"}},
    {"separator alone gives one empty piece", ";", ";", {""}},
    {"only the very last empty piece is dropped", "a;;", ";", {"a", ""}},
    {"default separator is a comma", "a,b", "", {"a", "b"}},
    {"line-list grammar", "1.2.3.4:北京+电信;5.6.7.8:上海+联通;", ";", {"1.2.3.4:北京+电信", "5.6.7.8:上海+联通"}},
    {"two-byte separator resumes after both bytes", "a:::b", "::", {"a", ":b"}},
    {"sign-in reply", "2030-12-31|包月套餐|ok", "|", {"2030-12-31", "包月套餐", "ok"}},
    {"empty package field counts", "2030-12-31||ok", "|", {"2030-12-31", "", "ok"}},
    // 億 is 83 7C: its trail byte is "|", which must not split the character.
    {"bar inside a double-byte character", "億|x", "|", {"億", "x"}},
    {"package name holding 億", "2030-12-31|億元套餐|ok", "|", {"2030-12-31", "億元套餐", "ok"}},
    {"full-width colon splits where it stands", "地区：北京", "：", {"地区", "北京"}},
    // B0 A3 | BA C3: the bytes A3 BA of "：" straddle two characters.
    {"full-width colon bytes across two characters", "\xB0\xA3\xBA\xC3", "：", {"\xB0\xA3\xBA\xC3"}},
    {"two-character separator splits where it stands", "拨号手动设置", "手动", {"拨号", "设置"}},
    // B0 CA | D6 B6 | AF 40: the bytes of 手动 (CA D6 B6 AF) straddle three characters.
    {"two-character separator bytes across characters", "\xB0\xCA\xD6\xB6\xAF\x40", "手动", {"\xB0\xCA\xD6\xB6\xAF\x40"}},
    {"否 splits where it stands", "是否有", "否", {"是", "有"}},
    // B0 B7 | F1 A1: the bytes of 否 (B7 F1) straddle two characters.
    {"否 bytes across two characters", "\xB0\xB7\xF1\xA1", "否", {"\xB0\xB7\xF1\xA1"}},
    {"lone lead byte at the end is kept as a piece", "a|\x83", "|", {"a", "\x83"}},
    {"lead byte before a non-trail byte stands alone", "\x81;b", ";", {"\x81", "b"}},
};

TEST(SplitFields, Table) {
    for (const SplitCase& c : split_cases)
        EXPECT_EQ(split_fields(c.text, c.separator), c.pieces) << c.why;
}

TEST(SplitFields, DefaultArgumentIsComma) {
    EXPECT_EQ(split_fields("x,y;z"), (std::vector<std::string>{"x", "y;z"}));
}

TEST(CutToWholeCharacters, Table) {
    struct Case {
        std::string text;
        std::size_t max_bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"abc", 5, "abc"},
        {"abc", 2, "ab"},
        {"a连接", 3, "a连"},
        {"a连接", 4, "a连"},  // not half of 接
        {"a连接", 5, "a连接"},
        {"連", 1, ""},
        {"a|\x83", 3, "a|\x83"},
        {"", 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cut_to_whole_characters(c.text, c.max_bytes), c.expected) << c.text << " " << c.max_bytes;
}

struct DateCase {
    const char* text;
    LocalDateTime expected;
};

constexpr LocalDateTime not_a_date{100, 1, 1, 0, 0, 0};

const DateCase date_cases[] = {
    {"2030-02-30", not_a_date},
    {"2030-1-5", {2030, 1, 5, 0, 0, 0}},
    {"2030年1月5日", {2030, 1, 5, 0, 0, 0}},
    {"２０３０年１月５日", {2030, 1, 5, 0, 0, 0}},
    {"２０３０－０１－０５", {2030, 1, 5, 0, 0, 0}},
    {"2030", not_a_date},
    {"", not_a_date},
    {"2030-12-31 23:59:59", {2030, 12, 31, 23, 59, 59}},
    {"2030/12/31 23:59", {2030, 12, 31, 23, 59, 0}},
    {"2030.12.31", {2030, 12, 31, 0, 0, 0}},
    {"20301231", {2030, 12, 31, 0, 0, 0}},
    {"20301231235958", {2030, 12, 31, 23, 59, 58}},
    {"2030年12月31日12时30分15秒", {2030, 12, 31, 12, 30, 15}},
    {"2030-12-31 12:30:15秒", {2030, 12, 31, 12, 30, 15}},
    {"2030-01-05　12:00", {2030, 1, 5, 12, 0, 0}},  // ideographic space
    {"2030-12-31 24:00:00", not_a_date},
    {"2030-12-31 23:60", not_a_date},
    {"2030-12-31 23:59:60", not_a_date},
    {"2030-13-01", not_a_date},
    {"2030-00-01", not_a_date},
    {"2030-12-31x", not_a_date},
    {"2030-12-31 12:00:00 ", not_a_date},
    {"2030-12-31  12:00", not_a_date},  // only one separator after the day
    {"2024-02-29", {2024, 2, 29, 0, 0, 0}},
    {"2000-02-29", {2000, 2, 29, 0, 0, 0}},
    {"2100-02-29", not_a_date},
    {"2030-04-31", not_a_date},
    {"99-01-01", not_a_date},
    {"0100-01-01", {100, 1, 1, 0, 0, 0}},
    {"9999-12-31 23:59:59", {9999, 12, 31, 23, 59, 59}},
    {"expired", not_a_date},
};

TEST(ParseDateTime, Table) {
    for (const DateCase& c : date_cases)
        EXPECT_EQ(parse_date_time(c.text), c.expected) << c.text;
}

TEST(CompareClamped, Table) {
    struct Case {
        LocalDateTime a, b;
        int expected;
    };
    const Case cases[] = {
        {{2030, 1, 5, 0, 0, 0}, {2030, 1, 5, 0, 0, 0}, 0},
        {{2030, 1, 5, 0, 0, 0}, {2030, 1, 5, 0, 0, 1}, -1},
        {{2031, 1, 1, 0, 0, 0}, {2030, 12, 31, 23, 59, 59}, 1},
        {{2030, 2, 1, 0, 0, 0}, {2030, 1, 31, 0, 0, 0}, 1},
        {{1899, 12, 30, 0, 0, 0}, {100, 1, 1, 0, 0, 0}, 1},
        {{50, 6, 1, 0, 0, 0}, {100, 1, 1, 0, 0, 0}, 0},         // clamped up to the earliest
        {{9999, 12, 31, 23, 59, 59}, {9999, 12, 31, 0, 0, 0}, 0},  // clamped down to the latest
        {{9999, 12, 30, 23, 59, 59}, {9999, 12, 31, 12, 0, 0}, -1},
    };
    for (const Case& c : cases) {
        const int result = compare_clamped(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.expected) << c.a.year << "-" << c.a.month << "-" << c.a.day;
    }
}

TEST(DateArithmetic, SecondsBetweenAndAddSeconds) {
    struct Case {
        LocalDateTime from;
        std::int64_t seconds;
        LocalDateTime to;
    };
    const Case cases[] = {
        {{1899, 12, 30, 0, 0, 0}, 25569LL * 86400, {1970, 1, 1, 0, 0, 0}},
        {{2024, 2, 28, 23, 59, 59}, 1, {2024, 2, 29, 0, 0, 0}},
        {{2023, 2, 28, 23, 59, 59}, 1, {2023, 3, 1, 0, 0, 0}},
        {{2030, 1, 1, 0, 0, 0}, -1, {2029, 12, 31, 23, 59, 59}},
        {{2030, 1, 1, 0, 0, 10}, 0, {2030, 1, 1, 0, 0, 10}},
        {{100, 1, 1, 0, 0, 0}, 86400LL * 365, {101, 1, 1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(add_seconds(c.from, c.seconds), c.to) << c.seconds;
        EXPECT_EQ(seconds_between(c.from, c.to), c.seconds) << c.seconds;
    }
}

TEST(Utf8ToLocal, Table) {
    struct Case {
        const char* why;
        std::string utf8;
        std::string local;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"ASCII unchanged", "ok", "ok"},
        {"Chinese becomes GBK", "\xE8\xBF\x9E\xE6\x8E\xA5\xE6\x88\x90\xE5\x8A\x9F", "连接成功"},
        {"character outside 936 becomes ?", "a\xEA\xB0\x80z", "a?z"},  // U+AC00
        {"malformed byte becomes ?", "a\xFFz", "a?z"},
        {"euro sign is 80 in code page 936", "\xE2\x82\xAC", "\x80"},
        {"reply with a trail-byte bar", "\xE5\x84\x84|ok", "億|ok"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf8_to_local(c.utf8), c.local) << c.why;
}

TEST(LocalToWide, Table) {
    EXPECT_EQ(local_to_wide(""), std::u16string(1, u'\0'));
    EXPECT_EQ(local_to_wide("连接a"), std::u16string(u"\u8FDE\u63A5a", 4));
    EXPECT_EQ(local_to_wide("\xE8\xBF\x9E", 65001), std::u16string(u"\u8FDE", 2));
    EXPECT_EQ(local_to_wide("abc", 12345), std::u16string(1, u'\0')) << "unknown code page";
}

TEST(WideToLocal, Table) {
    EXPECT_EQ(wide_to_local(u"\u8FDE\u63A5"), "连接");
    EXPECT_EQ(wide_to_local(std::u16string_view(u"a\0b", 3)), "a");
    EXPECT_EQ(wide_to_local(u"\uAC00"), "?");
    EXPECT_EQ(wide_to_local(u""), "");
    EXPECT_EQ(wide_to_local(local_to_wide("億|ok")), "億|ok") << "round trip through the terminator";
}

}  // namespace
}  // namespace mervolt
