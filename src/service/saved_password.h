#pragma once
#include <string>
#include <string_view>

#include "support/faces/md5.h"

namespace mervolt {

// The stored form of a remembered password: every byte XOR 16 as two upper-case hex digits,
// followed by a nine-character marker derived from the key's MD5. It hides the password from
// casual reading only.
inline constexpr std::string_view saved_password_key = "qzv";

std::string md5_hex(std::string_view bytes, Md5& md5);  // upper case; empty when MD5 is unavailable
std::string cipher_marker(std::string_view key, Md5& md5);
std::string encode_saved_password(std::string_view password, std::string_view key, Md5& md5);
// The empty text when the stored text does not end in the marker.
std::string decode_saved_password(std::string_view stored, std::string_view key, Md5& md5);

}  // namespace mervolt
