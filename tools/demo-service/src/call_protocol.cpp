#include "call_protocol.h"

#include "hex_digit.h"

namespace demo {
namespace {

std::optional<std::string> from_hex(std::string_view hex) {
    if (hex == "-") return std::string();
    if (hex.empty() || hex.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int high = hex_digit(hex[i]);
        int low = hex_digit(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

}  // namespace

std::optional<DialRequest> parse_dial(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.substr(0, 5) != "DIAL ") return std::nullopt;
    line.remove_prefix(5);
    size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    auto user = from_hex(line.substr(0, blank));
    auto password = from_hex(line.substr(blank + 1));
    if (!user || !password) return std::nullopt;
    return DialRequest{*user, *password};
}

}  // namespace demo
