#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/faces/system_clock.h"

namespace mervolt {

// Texts are GBK (code page 936) byte strings throughout the client. The conversions go through
// the TextCodec of support_runtime().

// UTF-8 bytes to the same characters in code page 936: malformed UTF-8 and characters that 936
// lacks become '?'. The empty text gives the empty text.
std::string utf8_to_local(std::string_view utf8);
// Local text to UTF-16 with one terminating zero; the empty text or a failed conversion gives u"\0".
std::u16string local_to_wide(std::string_view text, unsigned code_page = 936);
// The reverse of local_to_wide, for texts read back from wide APIs: the text ends at the first
// zero character (if any), and the result has no terminator. A failed conversion gives "".
std::string wide_to_local(std::u16string_view text, unsigned code_page = 936);

// The longest start of text that holds whole characters of code page 936 and at most max_bytes
// bytes, so that a cut to a fixed buffer never leaves half a double-byte character behind.
std::string_view cut_to_whole_characters(std::string_view text, std::size_t max_bytes);

// Pieces of text between separators, counted from 1. A separator matches only at a character
// boundary of code page 936, never inside a double-byte character: "|" is also a GBK trail byte
// (億 is 83 7C), and two-byte separators such as "：" could match across two characters.
// An empty last piece is dropped, so an empty text gives no pieces and a text that ends with
// the separator gives no empty last piece. An empty separator means the default ",".
std::vector<std::string> split_fields(std::string_view text, std::string_view separator = ",");

// Reads a date-time: year, month, day, hour, minute, second, each optional, with "-./:" (and a
// blank after the day) or the marks 年月日时分秒 between them; full-width ASCII forms count as
// ASCII. A text that is not a valid date-time gives 100-01-01 00:00:00.
LocalDateTime parse_date_time(std::string_view text);
// Compares two date-times as points in time after clamping both to
// 100-01-01 00:00:00 ... 9999-12-31 00:00:00: negative, zero or positive.
int compare_clamped(const LocalDateTime& a, const LocalDateTime& b);

// Seconds from `from` to `to` (negative when `to` is earlier), proleptic Gregorian calendar.
std::int64_t seconds_between(const LocalDateTime& from, const LocalDateTime& to);
// The date-time that lies `seconds` after (or before, when negative) `start`.
LocalDateTime add_seconds(const LocalDateTime& start, std::int64_t seconds);

}  // namespace mervolt
