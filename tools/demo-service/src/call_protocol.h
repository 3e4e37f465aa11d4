#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace demo {

// A call as the simulated remote-access service places it on a line server:
// "DIAL <user-hex> <password-hex>", each value the upper-case hex of its code-page-936 bytes and
// "-" for an empty text. The server answers "OK" (the link is up) or "ERR <RAS error code>".
struct DialRequest {
    std::string user;      // code-page-936 bytes
    std::string password;  // code-page-936 bytes
};

// One request line, with or without its "\r"; nullopt for anything that is not such a call.
std::optional<DialRequest> parse_dial(std::string_view line);

inline constexpr std::string_view call_accepted = "OK\r\n";
// 691: the account is unknown, the password wrong, or authentication is refused.
inline constexpr std::string_view call_refused = "ERR 691\r\n";

}  // namespace demo
