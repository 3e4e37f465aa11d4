#include "support/gzip.h"

#include <gtest/gtest.h>

#include <string>

#include "support/gzip_fixture.h"

namespace mervolt {
namespace {


std::span<const std::uint8_t> bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string text(const std::vector<std::uint8_t>& decoded) { return {decoded.begin(), decoded.end()}; }

std::string varied(std::size_t size) {
    std::string out(size, '\0');
    std::uint32_t state = 12345;
    for (char& c : out) {
        state = state * 1103515245 + 12345;
        c = static_cast<char>(state >> 24);
    }
    return out;
}

TEST(GzipDecode, DecodesWhateverTheSizeOfInputAndOutput) {
    // Sizes around the 8,192-byte pieces, and input that barely compresses.
    for (const std::string& original :
         {std::string(), std::string("ok"), std::string(8192, 'a'), std::string(8193, 'b'), varied(30000),
          std::string(300000, 'z')}) {
        const auto decoded = gzip_decode(bytes(gzip_compress(original)), 1u << 20);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(text(*decoded), original) << original.size();
    }
}

TEST(GzipDecode, BodyThatIsNotGzipGivesNothing) {
    for (const std::string& body : {std::string("2030-01-01|plan|ok"), std::string("\x1f"), std::string()}) {
        const auto decoded = gzip_decode(bytes(body), 1u << 20);
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(decoded->empty()) << body;
    }
}

TEST(GzipDecode, StreamCutShortGivesWhatWasDecoded) {
    const std::string original = varied(50000);
    const std::string packed = gzip_compress(original);
    const auto decoded = gzip_decode(bytes(packed.substr(0, packed.size() / 2)), 1u << 20);
    ASSERT_TRUE(decoded);
    EXPECT_FALSE(decoded->empty());
    EXPECT_LT(decoded->size(), original.size());
    EXPECT_EQ(text(*decoded), original.substr(0, decoded->size()));
}

TEST(GzipDecode, BytesAfterTheStreamAreIgnored) {
    const auto decoded = gzip_decode(bytes(gzip_compress("abc") + "trailing"), 1u << 20);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(text(*decoded), "abc");
}

TEST(GzipDecode, OutputBeyondTheCapIsRefused) {
    const std::string bomb = gzip_compress(std::string(3u << 20, '\0'));  // 3 MiB from a few KiB
    EXPECT_FALSE(gzip_decode(bytes(bomb), 1u << 20));
    const auto exact = gzip_decode(bytes(gzip_compress(std::string(4096, 'q'))), 4096);
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->size(), 4096u);
    EXPECT_FALSE(gzip_decode(bytes(gzip_compress(std::string(4097, 'q'))), 4096));
}

TEST(Inflater, DeflateCodingIsTheZlibFormat) {
    const std::string original = "line list";
    // zlib container of "line list", stored (no compression): header 78 01, one raw block, Adler-32.
    std::string zlib = std::string("\x78\x01\x01\x09\x00\xf6\xff", 7) + original;
    zlib += std::string("\x11\x62\x03\x85", 4);
    Inflater inflater(ContentCoding::deflate);
    std::uint8_t out[64];
    const Inflater::Step step = inflater.step(bytes(zlib), out);
    EXPECT_FALSE(step.failed);
    EXPECT_TRUE(step.finished);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), step.produced), original);
}

}  // namespace
}  // namespace mervolt
