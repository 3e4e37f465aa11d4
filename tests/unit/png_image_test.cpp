#include "support/png_image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace mervolt {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put_u32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void put_chunk(Bytes& out, const std::string& type, const Bytes& data) {
    put_u32(out, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type.begin(), type.end());
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put_u32(out, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

int paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

struct Picture {
    int width, height, channels;
    Bytes samples;  // rows from the top, channels per pixel
};

// A PNG file of the picture whose row r is filtered with filters[r % size], written the way an
// encoder would, so that the decoder has to undo each filter.
struct PngOptions {
    std::vector<int> filters{0};
    int colour_type = -1;  // default: from the channels
    int depth = 8, interlace = 0;
    int idat_chunks = 1;
    bool bad_crc = false;
    std::size_t drop_last_bytes = 0;  // of the inflated data
};

Bytes encode_png(const Picture& picture, const PngOptions& options = {}) {
    const std::size_t stride = static_cast<std::size_t>(picture.width * picture.channels);
    const std::size_t bpp = static_cast<std::size_t>(picture.channels);
    Bytes raw;
    for (int row = 0; row < picture.height; ++row) {
        const int filter = options.filters[static_cast<std::size_t>(row) % options.filters.size()];
        raw.push_back(static_cast<std::uint8_t>(filter));
        const std::uint8_t* line = picture.samples.data() + static_cast<std::size_t>(row) * stride;
        const std::uint8_t* above = row > 0 ? line - stride : nullptr;
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= bpp ? line[i - bpp] : 0, b = above ? above[i] : 0,
                      c = above && i >= bpp ? above[i - bpp] : 0;
            const int predicted = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? paeth(a, b, c) : 0;
            raw.push_back(static_cast<std::uint8_t>(line[i] - predicted));
        }
    }
    raw.resize(raw.size() - options.drop_last_bytes);
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes compressed(size);
    compress(compressed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    compressed.resize(size);

    Bytes file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put_u32(header, static_cast<std::uint32_t>(picture.width));
    put_u32(header, static_cast<std::uint32_t>(picture.height));
    const int colour_type = options.colour_type >= 0 ? options.colour_type : picture.channels == 4 ? 6 : 2;
    header.insert(header.end(), {static_cast<std::uint8_t>(options.depth), static_cast<std::uint8_t>(colour_type), 0, 0,
                                 static_cast<std::uint8_t>(options.interlace)});
    put_chunk(file, "IHDR", header);
    put_chunk(file, "tEXt", Bytes{'a', 0, 'b'});  // an ancillary chunk is skipped
    const std::size_t piece = compressed.size() / static_cast<std::size_t>(options.idat_chunks) + 1;
    for (std::size_t at = 0; at < compressed.size(); at += piece)
        put_chunk(file, "IDAT", Bytes(compressed.begin() + static_cast<long>(at),
                                      compressed.begin() + static_cast<long>(std::min(compressed.size(), at + piece))));
    if (options.bad_crc) file.back() ^= 1;
    put_chunk(file, "IEND", {});
    return file;
}

Picture sample_picture(int channels) {
    Picture picture{5, 4, channels, {}};
    for (int i = 0; i < 5 * 4 * channels; ++i) picture.samples.push_back(static_cast<std::uint8_t>((i * 37 + i * i) % 256));
    return picture;
}

Bytes as_rgba(const Picture& picture) {
    Bytes rgba;
    for (std::size_t i = 0; i < picture.samples.size(); i += static_cast<std::size_t>(picture.channels)) {
        rgba.insert(rgba.end(), picture.samples.begin() + static_cast<long>(i), picture.samples.begin() + static_cast<long>(i) + 3);
        rgba.push_back(picture.channels == 4 ? picture.samples[i + 3] : 255);
    }
    return rgba;
}

TEST(PngImage, EveryRowFilterIsUndoneForRgbAndRgba) {
    for (int channels : {3, 4})
        for (int filter : {0, 1, 2, 3, 4}) {
            const Picture picture = sample_picture(channels);
            const auto image = decode_png(encode_png(picture, {.filters = {filter}}));
            ASSERT_TRUE(image) << channels << " channels, filter " << filter;
            EXPECT_EQ(image->width, 5);
            EXPECT_EQ(image->height, 4);
            EXPECT_EQ(image->pixels, as_rgba(picture)) << channels << " channels, filter " << filter;
        }
}

TEST(PngImage, MixedFiltersAndDataSplitOverSeveralChunks) {
    const Picture picture = sample_picture(4);
    const auto image = decode_png(encode_png(picture, {.filters = {4, 1, 3, 2}, .idat_chunks = 3}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, as_rgba(picture));
}

TEST(PngImage, WhatItDoesNotReadOrADamagedFileGivesNothing) {
    const Picture picture = sample_picture(3);
    const struct {
        const char* what;
        PngOptions options;
    } cases[] = {
        {"palette colours", {.colour_type = 3}},
        {"grey", {.colour_type = 0}},
        {"16 bits per sample", {.depth = 16}},
        {"interlaced", {.interlace = 1}},
        {"a chunk with a wrong checksum", {.bad_crc = true}},
        {"too little image data", {.drop_last_bytes = 1}},
        {"an unknown row filter", {.filters = {5}}},
    };
    for (const auto& c : cases) EXPECT_FALSE(decode_png(encode_png(picture, c.options))) << c.what;

    Bytes file = encode_png(picture);
    EXPECT_FALSE(decode_png(Bytes(file.begin(), file.begin() + 40))) << "cut short";
    file[0] = 0;
    EXPECT_FALSE(decode_png(file)) << "no PNG signature";
    EXPECT_FALSE(decode_png(Bytes{})) << "empty";
    EXPECT_FALSE(decode_png(encode_png({0, 4, 3, {}}))) << "no width";
}

}  // namespace
}  // namespace mervolt
