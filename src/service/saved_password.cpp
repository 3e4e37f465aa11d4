#include "service/saved_password.h"

#include "support/support_runtime.h"

namespace mervolt {
namespace {

constexpr char hex_digits[] = "0123456789ABCDEF";
constexpr std::size_t marker_length = 9;
constexpr unsigned char mask = 3600 & 0xFF;  // 16

// Long passwords are processed with window events served between steps, as a waiting handler would.
void serve_pending_events() {
    if (EventPump* pump = support_runtime().pump) pump->serve_pending();
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string md5_hex(std::string_view bytes, Md5& md5) {
    const auto digest = md5.digest(bytes);
    if (!digest) return {};
    std::string hex;
    for (const std::uint8_t byte : *digest) {
        hex += hex_digits[byte >> 4];
        hex += hex_digits[byte & 0x0F];
    }
    return hex;
}

std::string cipher_marker(std::string_view key, Md5& md5) {
    const std::string hex = md5_hex(key, md5);
    return hex.empty() ? std::string{} : hex.substr(2, marker_length);
}

std::string encode_saved_password(std::string_view password, std::string_view key, Md5& md5) {
    std::string stored;
    stored.reserve(password.size() * 2 + marker_length);
    for (const char c : password) {
        const auto masked = static_cast<unsigned char>(static_cast<unsigned char>(c) ^ mask);
        stored += hex_digits[masked >> 4];
        stored += hex_digits[masked & 0x0F];
        serve_pending_events();
    }
    return stored + cipher_marker(key, md5);
}

std::string decode_saved_password(std::string_view stored, std::string_view key, Md5& md5) {
    const std::string marker = cipher_marker(key, md5);
    const std::size_t tail = stored.size() < marker_length ? stored.size() : marker_length;
    if (stored.substr(stored.size() - tail) != marker) return {};
    const std::string_view digits = stored.substr(0, stored.size() - tail);
    std::string password;
    for (std::size_t pos = 0; pos < digits.size(); pos += 2) {
        unsigned value = 0;
        for (const char c : digits.substr(pos, 2))
            if (const int digit = hex_value(c); digit >= 0) value = value * 16 + static_cast<unsigned>(digit);
        serve_pending_events();
        const auto byte = static_cast<unsigned char>((value & 0xFF) ^ mask);
        if (byte == 0) break;  // a zero byte ends the text
        password += static_cast<char>(byte);
    }
    return password;
}

}  // namespace mervolt
