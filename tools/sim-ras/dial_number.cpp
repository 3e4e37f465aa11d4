#include "dial_number.h"

#include "plain_text.h"

namespace simras {

std::optional<DialTarget> parse_dial_number(std::string_view number) {
    const auto colon = number.find(':');
    DialTarget target{std::string(number.substr(0, colon)), default_line_port};
    if (target.host.empty()) return std::nullopt;
    if (colon == std::string_view::npos) return target;

    const auto port = decimal_value(number.substr(colon + 1), 5);
    if (!port || *port == 0 || *port > 65535) return std::nullopt;
    target.port = static_cast<std::uint16_t>(*port);
    return target;
}

}  // namespace simras
