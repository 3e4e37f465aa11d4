#pragma once
#include <string>
#include <string_view>

namespace demo {

// 16 random bytes as lower-case hex, a fresh one for every stored password.
std::string new_salt();

// SHA-256 of salt followed by the password (UTF-8 bytes), as lower-case hex.
std::string password_hash(std::string_view salt, std::string_view password);

}  // namespace demo
