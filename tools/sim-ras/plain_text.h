#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace simras {

// Blanks, tabs and carriage returns off both ends.
inline std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// ASCII letters compared without case; other bytes (GBK included) exactly.
inline bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A plain decimal number of 1 to max_digits digits (no sign, no blanks), else nullopt.
inline std::optional<std::uint32_t> decimal_value(std::string_view text, std::size_t max_digits) {
    if (text.empty() || text.size() > max_digits || max_digits > 9) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

}  // namespace simras
