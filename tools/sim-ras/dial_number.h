#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace simras {

// Where a call goes: the number is "host" or "host:port" (SSTP numbers name port 6665).
struct DialTarget {
    std::string host;
    std::uint16_t port = 1723;
};

inline constexpr std::uint16_t default_line_port = 1723;

// nullopt for an empty host or a port that is not a decimal number from 1 to 65535.
std::optional<DialTarget> parse_dial_number(std::string_view number);

}  // namespace simras
