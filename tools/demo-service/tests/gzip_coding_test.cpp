#include "gzip_coding.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace demo {
namespace {

std::string gunzip(const std::string& data) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);
    std::string out(4096, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return out;
}

TEST(GzipCompress, RoundTripsIncludingTheEmptyBody) {
    for (std::string body : {std::string("127.0.0.2:北京+电信;"), std::string(), std::string(3000, 'x')}) {
        std::string packed = gzip_compress(body);
        ASSERT_GE(packed.size(), 18u);
        EXPECT_EQ(packed.substr(0, 2), "\x1F\x8B");  // the gzip magic, not a zlib header
        EXPECT_EQ(gunzip(packed), body);
    }
}

TEST(AcceptsGzip, ReadsCodingsAndQualities) {
    struct Case {
        const char* header;
        bool accepted;
    } cases[] = {
        {"gzip", true},
        {"gzip, deflate", true},
        {"deflate, gzip, br, zstd", true},
        {"GZIP", true},
        {"x-gzip", true},
        {"gzip;q=0.5", true},
        {"br;q=1, gzip ; q=0.1", true},
        {"gzip;q=0", false},
        {"gzip;q=0.0", false},
        {"br", false},
        {"deflate", false},
        {"gzipped", false},
        {"", false},
        {"*", false},
    };
    for (const Case& c : cases) EXPECT_EQ(accepts_gzip(c.header), c.accepted) << c.header;
}

}  // namespace
}  // namespace demo
