#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace demo {

// The client sends and shows code-page-936 (GBK) bytes; the service keeps and answers UTF-8.
// Both conversions are strict: nullopt when the input is not valid in its encoding or a
// character has no form in the other one.
std::optional<std::string> gbk_to_utf8(std::string_view gbk);
std::optional<std::string> utf8_to_gbk(std::string_view utf8);

}  // namespace demo
