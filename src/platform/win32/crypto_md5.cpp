// MD5 through CryptoAPI: a verification-only context of the full RSA provider, or, where that
// is refused, a context opened without flags.
#include <windows.h>
#include <wincrypt.h>

#include <utility>

#include "platform/platform_faces.h"

namespace mervolt {
namespace {

class CryptContext {
public:
    CryptContext() {
        if (!CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
            !CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_FULL, 0))
            provider_ = 0;
    }
    ~CryptContext() { if (provider_) CryptReleaseContext(provider_, 0); }
    CryptContext(const CryptContext&) = delete;
    CryptContext& operator=(const CryptContext&) = delete;
    HCRYPTPROV get() const { return provider_; }

private:
    HCRYPTPROV provider_ = 0;
};

class CryptHash {
public:
    CryptHash(HCRYPTPROV provider, ALG_ID algorithm) {
        if (!CryptCreateHash(provider, algorithm, 0, 0, &hash_)) hash_ = 0;
    }
    ~CryptHash() { if (hash_) CryptDestroyHash(hash_); }
    CryptHash(const CryptHash&) = delete;
    CryptHash& operator=(const CryptHash&) = delete;
    HCRYPTHASH get() const { return hash_; }

private:
    HCRYPTHASH hash_ = 0;
};

class CryptoApiMd5 final : public Md5 {
public:
    std::optional<std::array<std::uint8_t, 16>> digest(std::string_view bytes) override {
        if (bytes.size() > MAXDWORD) return std::nullopt;
        const CryptContext context;
        if (!context.get()) return std::nullopt;
        const CryptHash hash(context.get(), CALG_MD5);
        if (!hash.get()) return std::nullopt;
        if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0))
            return std::nullopt;
        std::array<std::uint8_t, 16> value{};
        DWORD length = static_cast<DWORD>(value.size());
        if (!CryptGetHashParam(hash.get(), HP_HASHVAL, value.data(), &length, 0) || length != value.size())
            return std::nullopt;
        return value;
    }
};

}  // namespace

Md5& platform_md5() {
    static CryptoApiMd5 md5;
    return md5;
}

}  // namespace mervolt
