#include "support/web_address.h"

#include <algorithm>
#include <cctype>

namespace mervolt {
namespace {

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

// The decimal value of the leading digits (0 without any); nullopt once it passes 65535.
std::optional<std::uint32_t> port_value(std::string_view text) {
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 65535) return std::nullopt;
    }
    return value;
}

}  // namespace

std::string normalise_web_address(std::string_view address) {
    if (address.size() < 8 ||
        (!starts_with_ignoring_case(address, "https://") && !starts_with_ignoring_case(address, "http://"))) {
        return "http://" + std::string(address);
    }
    return std::string(address);
}

std::optional<WebAddress> split_web_address(std::string_view address) {
    if (address.empty()) return std::nullopt;
    WebAddress parts;
    std::size_t host_start = 0;
    if (address.size() > 7 && starts_with_ignoring_case(address, "https://")) {
        parts.scheme = "https://";
        host_start = 8;
    } else if (starts_with_ignoring_case(address, "http://")) {
        parts.scheme = "http://";
        host_start = 7;
    } else {
        parts.scheme = "http://";
    }

    std::size_t slash = address.find('/', host_start);
    if (slash == std::string_view::npos) {
        slash = address.size();
        parts.path.push_back('/');
    } else {
        parts.path = std::string(address.substr(slash));
    }
    parts.path_start = slash;

    const std::size_t window_start = std::max(host_start, slash >= 7 ? slash - 7 : 0);
    const std::size_t colon = address.substr(0, slash).find(':', window_start);
    if (colon == std::string_view::npos) {
        parts.port = parts.scheme == "https://" ? 443 : 80;
        parts.host = std::string(address.substr(host_start, slash - host_start));
    } else {
        const std::optional<std::uint32_t> port = port_value(address.substr(colon + 1, slash - colon - 1));
        if (!port) return std::nullopt;
        parts.port = static_cast<std::uint16_t>(*port <= 10 ? 80 : *port);
        parts.host = std::string(address.substr(host_start, colon - host_start));
    }
    if (parts.host.empty()) return std::nullopt;
    return parts;
}

}  // namespace mervolt
