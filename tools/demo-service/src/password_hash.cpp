#include "password_hash.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <stdexcept>

namespace demo {
namespace {

std::string to_hex(const unsigned char* bytes, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < size; ++i) {
        hex.push_back(digits[bytes[i] >> 4]);
        hex.push_back(digits[bytes[i] & 15]);
    }
    return hex;
}

}  // namespace

std::string new_salt() {
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1) throw std::runtime_error("no random bytes for a salt");
    return to_hex(bytes, sizeof bytes);
}

std::string password_hash(std::string_view salt, std::string_view password) {
    std::string input;
    input.append(salt).append(password);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(input.data(), input.size(), digest, &size, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 failed");
    return to_hex(digest, size);
}

}  // namespace demo
