#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace simras {

// The exchange with a line server: one request line, one reply line.
//   request  "DIAL <user-hex> <password-hex>\r\n"  (upper-case hex of the code-page-936 bytes,
//            "-" for an empty text)
//   reply    "OK\r\n" (link up; the connection stays open) or "ERR <RAS error code>\r\n"
std::string dial_request_line(std::string_view user_name, std::string_view password);

// The longest reply line accepted; anything longer is garbage.
inline constexpr std::size_t max_reply_line = 64;

// The outcome of a reply line given without its line break: 0 for OK, the error code for ERR,
// nullopt for anything else (which the caller reports as a device error).
std::optional<std::uint32_t> parse_line_reply(std::string_view line);

}  // namespace simras
