#include "service/saved_password.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform_faces.h"
#include "support/runtime_fixture.h"

namespace mervolt {
namespace {

// MD5 of "qzv" is B3FBA8A799C9EDB035261F9191809D09: the marker is its characters 3 to 11.
constexpr const char* marker = "FBA8A799C";

class SavedPassword : public VirtualRuntimeTest {
protected:
    Md5& md5 = platform_md5();
};

TEST_F(SavedPassword, MarkerComesFromTheKeyDigest) {
    EXPECT_EQ(cipher_marker(saved_password_key, md5), marker);
}

TEST_F(SavedPassword, EncodesEachByteMaskedAsTwoUpperCaseDigits) {
    struct Case {
        std::string password, stored;
    };
    const Case cases[] = {
        {"", marker},
        {"a", std::string("71") + marker},
        {"\x10", std::string("00") + marker},
        {"密码Ab", std::string("D3CCD2FB5172") + marker},
        {"\x1F\xFF", std::string("0FEF") + marker},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encode_saved_password(c.password, saved_password_key, md5), c.stored) << c.password;
        EXPECT_EQ(decode_saved_password(c.stored, saved_password_key, md5), c.password) << c.stored;
    }
}

TEST_F(SavedPassword, StoredFormIsTwoCharactersPerByteAndTheMarker) {
    std::string password;
    for (int n = 0; n <= 40; ++n) {
        EXPECT_EQ(encode_saved_password(password, saved_password_key, md5).size(), 2 * password.size() + 9);
        password += n % 2 ? "连" : "x";
    }
}

TEST_F(SavedPassword, DecodesHandEditedValues) {
    struct Case {
        const char* why;
        std::string stored, password;
    };
    const Case cases[] = {
        {"round trip of Chinese", encode_saved_password("全国混拨abc", saved_password_key, md5), "全国混拨abc"},
        {"marker alone", marker, ""},
        {"default of a missing key", "0", ""},
        {"fewer than 9 characters", "FBA8A799", ""},
        {"empty", "", ""},
        {"end is not the marker", std::string("71") + "FBA8A799D", ""},
        {"marker compared exactly", std::string("71") + "fba8a799c", ""},
        {"pair 10 is a zero byte that ends the text", std::string("511042") + marker, "A"},
        {"lower-case digits", std::string("d3ccd2fb5172") + marker, "密码Ab"},
        {"stray character inside a pair is skipped", std::string("G1") + marker, "\x11"},
        {"pair without a digit reads as 0", std::string("71ZZ") + marker, "a\x10"},
        {"odd length leaves a one-character piece", std::string("717") + marker, "a\x17"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decode_saved_password(c.stored, saved_password_key, md5), c.password) << c.why;
}

TEST_F(SavedPassword, ServesPendingEventsBetweenBytes) {
    int handled = 0;
    pump.post([&] { ++handled; });
    const std::string stored = encode_saved_password("abc", saved_password_key, md5);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(pump.serve_calls, 3u) << "once per byte";
    pump.serve_calls = 0;
    EXPECT_EQ(decode_saved_password(stored, saved_password_key, md5), "abc");
    EXPECT_EQ(pump.serve_calls, 3u) << "once per pair";
}

// A cryptographic service that cannot give a context or a hash.
class UnavailableMd5 final : public Md5 {
public:
    std::optional<std::array<std::uint8_t, 16>> digest(std::string_view) override { return std::nullopt; }
};

TEST_F(SavedPassword, WithoutMd5TheMarkerIsEmptyAndEverySavedPasswordReadsBackEmpty) {
    UnavailableMd5 none;
    EXPECT_EQ(md5_hex("qzv", none), "");
    EXPECT_EQ(cipher_marker(saved_password_key, none), "");
    EXPECT_EQ(encode_saved_password("ab", saved_password_key, none), "7172");
    EXPECT_EQ(decode_saved_password("7172", saved_password_key, none), "");
    EXPECT_EQ(decode_saved_password(std::string("7172") + marker, saved_password_key, none), "");
    EXPECT_EQ(decode_saved_password("", saved_password_key, none), "");
}

}  // namespace
}  // namespace mervolt
