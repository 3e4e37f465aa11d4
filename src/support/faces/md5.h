#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace mervolt {

// MD5 as the platform's cryptographic service computes it; nullopt when no context or hash
// could be obtained.
class Md5 {
public:
    virtual ~Md5() = default;
    virtual std::optional<std::array<std::uint8_t, 16>> digest(std::string_view bytes) = 0;
};

}  // namespace mervolt
