#include "line_protocol.h"

#include "plain_text.h"

namespace simras {
namespace {

std::string hex_field(std::string_view bytes) {
    if (bytes.empty()) return "-";
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

}  // namespace

std::string dial_request_line(std::string_view user_name, std::string_view password) {
    return "DIAL " + hex_field(user_name) + " " + hex_field(password) + "\r\n";
}

std::optional<std::uint32_t> parse_line_reply(std::string_view line) {
    if (line == "OK") return 0u;
    constexpr std::string_view refusal = "ERR ";
    if (line.substr(0, refusal.size()) != refusal) return std::nullopt;
    const auto code = decimal_value(line.substr(refusal.size()), 9);
    // ERR 0 would be a refusal reported as success.
    if (!code || *code == 0) return std::nullopt;
    return code;
}

}  // namespace simras
