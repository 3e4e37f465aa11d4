#include <openssl/evp.h>

#include "platform/platform_faces.h"

namespace mervolt {
namespace {

class OpenSslMd5 final : public Md5 {
public:
    std::optional<std::array<std::uint8_t, 16>> digest(std::string_view bytes) override {
        std::array<std::uint8_t, 16> value{};
        unsigned int length = 0;
        if (EVP_Digest(bytes.data(), bytes.size(), value.data(), &length, EVP_md5(), nullptr) != 1 || length != value.size())
            return std::nullopt;
        return value;
    }
};

}  // namespace

Md5& platform_md5() {
    static OpenSslMd5 md5;
    return md5;
}

}  // namespace mervolt
