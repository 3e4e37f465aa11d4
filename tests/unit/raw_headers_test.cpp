#include "support/raw_headers.h"

#include <gtest/gtest.h>

namespace mervolt {
namespace {

TEST(FindRawHeader, NameAtALineStartInAnyLetterCase) {
    const std::string block = "HTTP/1.1 200 OK\r\nX-Content-Length: 9\r\ncontent-length:  12\r\nLast: x";
    const auto length = find_raw_header(block, "Content-Length");
    ASSERT_TRUE(length);
    EXPECT_EQ(length->value, "  12");
    EXPECT_TRUE(length->line_ended);
    const auto last = find_raw_header(block, "last");
    ASSERT_TRUE(last);
    EXPECT_EQ(last->value, " x");
    EXPECT_FALSE(last->line_ended);
    EXPECT_FALSE(find_raw_header(block, "Length"));
    EXPECT_FALSE(find_raw_header(block, "Location"));
}

TEST(UndoableContentCoding, GzipOrDeflateInAnyLetterCase) {
    const struct {
        const char* block;
        std::optional<ContentCoding> coding;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n", ContentCoding::gzip},
        {"HTTP/1.1 200 OK\r\nContent-Encoding:gzip\r\n\r\n", ContentCoding::gzip},
        {"HTTP/1.1 200 OK\r\ncontent-encoding:  GZIP \r\n\r\n", ContentCoding::gzip},
        {"HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\n\r\n", ContentCoding::deflate},
        {"HTTP/1.1 200 OK\r\nContent-Encoding: br\r\n\r\n", std::nullopt},
        {"HTTP/1.1 200 OK\r\nContent-Encoding: gzip, br\r\n\r\n", std::nullopt},
        {"HTTP/1.1 200 OK\r\nX-Note: Content-Encoding: gzip\r\n\r\n", std::nullopt},
        {"HTTP/1.1 200 OK\r\n\r\n", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(undoable_content_coding(c.block), c.coding) << c.block;
}

TEST(WithoutUndoableContentCoding, DropsOnlyTheDecodedCodingLine) {
    EXPECT_EQ(without_undoable_content_coding(
                  "HTTP/1.1 200 OK\r\nContent-Encoding: GZIP\r\nContent-Length: 20\r\n\r\n"),
              "HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n");
    const std::string other = "HTTP/1.1 200 OK\r\nContent-Encoding: br\r\nX-Gzip: gzip\r\n\r\n";
    EXPECT_EQ(without_undoable_content_coding(other), other);
}

}  // namespace
}  // namespace mervolt
