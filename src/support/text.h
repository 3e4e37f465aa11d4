#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "support/faces/system_clock.h"

namespace mervolt {

// Texts are GBK (code page 936) byte strings throughout the client.

// UTF-8 bytes to the same characters in code page 936; characters 936 lacks become '?'.
std::string utf8_to_local(std::string_view utf8);
// Local text to UTF-16 with one terminating zero; the empty text or a failed conversion gives u"\0".
std::u16string local_to_wide(std::string_view text, unsigned code_page = 936);
// The reverse of local_to_wide, for texts read back from wide APIs (no terminator in the result).
std::string wide_to_local(std::u16string_view text, unsigned code_page = 936);

// Pieces of text between separators. A separator never matches inside a double-byte character of
// code page 936, so "|" (also a GBK trail byte) splits only where it stands as a character.
// An empty last piece is dropped; an empty text gives no pieces.
std::vector<std::string> split_fields(std::string_view text, std::string_view separator = ",");

// Reads a date-time; a text that is not one gives 100-01-01 00:00:00.
LocalDateTime parse_date_time(std::string_view text);
// Compares two date-times as points in time after clamping both to
// 100-01-01 00:00:00 ... 9999-12-31 00:00:00: negative, zero or positive.
int compare_clamped(const LocalDateTime& a, const LocalDateTime& b);

}  // namespace mervolt
