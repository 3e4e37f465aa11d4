#include "support/text.h"

#include <array>
#include <optional>
#include <tuple>

#include "support/support_runtime.h"

namespace mervolt {
namespace {

constexpr unsigned utf8_code_page = 65001;
constexpr unsigned local_code_page = 936;

bool is_lead_byte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool is_trail_byte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

// Length of the code-page-936 character at pos: 2 for a lead byte followed by a trail byte,
// else 1 (a stray lead byte, or one at the very end, counts as a character of its own).
std::size_t char_length(std::string_view text, std::size_t pos) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (is_lead_byte(byte) && pos + 1 < text.size() && is_trail_byte(static_cast<unsigned char>(text[pos + 1])))
        return 2;
    return 1;
}

// Full-width ASCII forms (A3 A1 .. A3 FE) become ASCII and the ideographic space (A1 A1) a blank,
// character by character so that no byte pair straddling two characters is taken for one.
std::string fold_full_width(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = char_length(text, pos);
        const auto first = static_cast<unsigned char>(text[pos]);
        const auto second = length == 2 ? static_cast<unsigned char>(text[pos + 1]) : 0;
        if (first == 0xA3 && second >= 0xA1)
            folded += static_cast<char>(second - 0x80);
        else if (first == 0xA1 && second == 0xA1)
            folded += ' ';
        else
            folded.append(text.substr(pos, length));
        pos += length;
    }
    return folded;
}

class DateReader {
public:
    explicit DateReader(std::string_view text) : text_(text) {}

    int digits(std::size_t most) {
        int value = 0;
        for (std::size_t count = 0; count < most && pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9'; ++count)
            value = value * 10 + (text_[pos_++] - '0');
        return value;
    }
    // One optional separator: one of the ASCII characters, or the two-byte mark.
    void separator(std::string_view ascii, std::string_view mark) {
        if (pos_ >= text_.size()) return;
        if (ascii.find(text_[pos_]) != std::string_view::npos)
            ++pos_;
        else if (text_.substr(pos_, mark.size()) == mark)
            pos_ += mark.size();
    }
    bool at_end_or(std::string_view mark) const {
        const std::string_view rest = text_.substr(pos_);
        return rest.empty() || rest == mark;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

bool is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
    static constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : days[month - 1];
}

constexpr LocalDateTime earliest_date_time{100, 1, 1, 0, 0, 0};
constexpr LocalDateTime latest_comparable{9999, 12, 31, 0, 0, 0};

auto as_tuple(const LocalDateTime& t) { return std::tie(t.year, t.month, t.day, t.hour, t.minute, t.second); }

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t days_from_civil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t year_of_era = year - era * 400;
    const std::int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

std::int64_t seconds_of(const LocalDateTime& t) {
    return days_from_civil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

}  // namespace

std::string utf8_to_local(std::string_view utf8) {
    if (utf8.empty()) return {};
    TextCodec& codec = *support_runtime().codec;
    const std::optional<std::u16string> wide = codec.to_wide(utf8, utf8_code_page);
    if (!wide) return {};
    return codec.from_wide(*wide, local_code_page).value_or(std::string{});
}

std::u16string local_to_wide(std::string_view text, unsigned code_page) {
    std::u16string wide;
    if (!text.empty()) wide = support_runtime().codec->to_wide(text, code_page).value_or(std::u16string{});
    wide.push_back(u'\0');
    return wide;
}

std::string wide_to_local(std::u16string_view text, unsigned code_page) {
    text = text.substr(0, text.find(u'\0'));
    if (text.empty()) return {};
    return support_runtime().codec->from_wide(text, code_page).value_or(std::string{});
}

std::string_view cut_to_whole_characters(std::string_view text, std::size_t max_bytes) {
    if (text.size() <= max_bytes) return text;
    std::size_t end = 0;
    while (end < text.size() && end + char_length(text, end) <= max_bytes) end += char_length(text, end);
    return text.substr(0, end);
}

std::vector<std::string> split_fields(std::string_view text, std::string_view separator) {
    if (separator.empty()) separator = ",";
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        if (text.substr(pos, separator.size()) == separator) {
            pieces.emplace_back(text.substr(start, pos - start));
            pos += separator.size();
            start = pos;
        } else {
            pos += char_length(text, pos);
        }
    }
    // The text's end closes the last piece as if one more separator followed; an empty last
    // piece is not counted.
    if (start < text.size()) pieces.emplace_back(text.substr(start));
    return pieces;
}

LocalDateTime parse_date_time(std::string_view text) {
    const std::string folded = fold_full_width(text);
    DateReader reader(folded);
    LocalDateTime t{};
    t.year = reader.digits(4);
    reader.separator("-./:", "年");
    t.month = reader.digits(2);
    reader.separator("-./:", "月");
    t.day = reader.digits(2);
    reader.separator(" -./:", "日");
    t.hour = reader.digits(2);
    reader.separator("-./:", "时");
    t.minute = reader.digits(2);
    reader.separator("-./:", "分");
    t.second = reader.digits(2);
    const bool valid = reader.at_end_or("秒") && t.year >= 100 && t.year <= 9999 && t.month >= 1 && t.month <= 12 &&
                       t.day >= 1 && t.day <= days_in_month(t.year, t.month) && t.hour < 24 && t.minute < 60 &&
                       t.second < 60;
    return valid ? t : earliest_date_time;
}

int compare_clamped(const LocalDateTime& a, const LocalDateTime& b) {
    auto clamp = [](const LocalDateTime& t) {
        if (as_tuple(t) < as_tuple(earliest_date_time)) return earliest_date_time;
        if (as_tuple(t) > as_tuple(latest_comparable)) return latest_comparable;
        return t;
    };
    const LocalDateTime ca = clamp(a), cb = clamp(b);
    if (as_tuple(ca) < as_tuple(cb)) return -1;
    return as_tuple(cb) < as_tuple(ca) ? 1 : 0;
}

std::int64_t seconds_between(const LocalDateTime& from, const LocalDateTime& to) {
    return seconds_of(to) - seconds_of(from);
}

LocalDateTime add_seconds(const LocalDateTime& start, std::int64_t seconds) {
    std::int64_t total = seconds_of(start) + seconds;
    std::int64_t days = total >= 0 ? total / 86400 : (total - 86399) / 86400;
    const std::int64_t second_of_day = total - days * 86400;
    // Civil date from days since 1970-01-01 (inverse of days_from_civil).
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t day_of_era = days - era * 146097;
    const std::int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t mp = (5 * day_of_year + 2) / 153;
    const int day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(year_of_era + era * 400 + (month <= 2));
    return LocalDateTime{year, month, day, static_cast<int>(second_of_day / 3600),
                         static_cast<int>(second_of_day / 60 % 60), static_cast<int>(second_of_day % 60)};
}

}  // namespace mervolt
