#include "support/png_image.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace mervolt {

namespace {

constexpr std::array<std::uint8_t, 8> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Larger pictures are no artwork of this program; the bound keeps a damaged size from asking
// for gigabytes.
constexpr std::uint32_t max_side = 4096;

std::uint32_t big_endian(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           bytes[3];
}

struct Header {
    std::uint32_t width = 0, height = 0;
    int channels = 0;
};

std::optional<Header> read_header(std::span<const std::uint8_t> data) {
    if (data.size() != 13) return std::nullopt;
    Header header{big_endian(&data[0]), big_endian(&data[4])};
    const std::uint8_t depth = data[8], colour_type = data[9];
    if (depth != 8 || data[10] != 0 || data[11] != 0 || data[12] != 0) return std::nullopt;
    if (colour_type == 2) header.channels = 3;
    else if (colour_type == 6) header.channels = 4;
    else return std::nullopt;
    if (header.width == 0 || header.height == 0 || header.width > max_side || header.height > max_side)
        return std::nullopt;
    return header;
}

// Exactly size bytes inflated from the zlib stream, or nullopt.
std::optional<std::vector<std::uint8_t>> inflate_exactly(const std::vector<std::uint8_t>& compressed, std::size_t size) {
    std::vector<std::uint8_t> out(size);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    const bool complete = result == Z_STREAM_END && stream.avail_out == 0;
    inflateEnd(&stream);
    return complete ? std::optional(std::move(out)) : std::nullopt;
}

std::uint8_t paeth(int left, int up, int up_left) {
    const int estimate = left + up - up_left;
    const int to_left = std::abs(estimate - left), to_up = std::abs(estimate - up), to_up_left = std::abs(estimate - up_left);
    if (to_left <= to_up && to_left <= to_up_left) return static_cast<std::uint8_t>(left);
    return static_cast<std::uint8_t>(to_up <= to_up_left ? up : up_left);
}

// Undoes each row's filter in place; false for an unknown filter.
bool unfilter(std::vector<std::uint8_t>& data, const Header& header) {
    const std::size_t stride = std::size_t{header.width} * static_cast<std::size_t>(header.channels);
    const std::size_t bpp = static_cast<std::size_t>(header.channels);
    for (std::size_t row = 0; row < header.height; ++row) {
        std::uint8_t* line = &data[row * (stride + 1)];
        const std::uint8_t filter = line[0];
        std::uint8_t* current = line + 1;
        const std::uint8_t* previous = row > 0 ? current - (stride + 1) : nullptr;
        for (std::size_t i = 0; i < stride; ++i) {
            const int left = i >= bpp ? current[i - bpp] : 0;
            const int up = previous ? previous[i] : 0;
            const int up_left = previous && i >= bpp ? previous[i - bpp] : 0;
            switch (filter) {
            case 0: break;
            case 1: current[i] = static_cast<std::uint8_t>(current[i] + left); break;
            case 2: current[i] = static_cast<std::uint8_t>(current[i] + up); break;
            case 3: current[i] = static_cast<std::uint8_t>(current[i] + (left + up) / 2); break;
            case 4: current[i] = static_cast<std::uint8_t>(current[i] + paeth(left, up, up_left)); break;
            default: return false;
            }
        }
    }
    return true;
}

}  // namespace

std::optional<RgbaImage> decode_png(std::span<const std::uint8_t> file) {
    if (file.size() < signature.size() || !std::equal(signature.begin(), signature.end(), file.begin()))
        return std::nullopt;
    std::optional<Header> header;
    std::vector<std::uint8_t> compressed;
    bool ended = false;
    for (std::size_t at = signature.size(); !ended;) {
        if (file.size() - at < 12) return std::nullopt;
        const std::uint32_t length = big_endian(&file[at]);
        if (length > file.size() - at - 12) return std::nullopt;
        const std::string_view type(reinterpret_cast<const char*>(&file[at + 4]), 4);
        const std::span<const std::uint8_t> data = file.subspan(at + 8, length);
        const std::uint32_t stored_crc = big_endian(&file[at + 8 + length]);
        if (crc32(0, &file[at + 4], length + 4) != stored_crc) return std::nullopt;
        if (type == "IHDR") {
            header = read_header(data);
            if (!header) return std::nullopt;
        } else if (type == "IDAT") {
            compressed.insert(compressed.end(), data.begin(), data.end());
        } else if (type == "IEND") {
            ended = true;
        }
        at += 12 + std::size_t{length};
    }
    if (!header) return std::nullopt;
    const std::size_t stride = std::size_t{header->width} * static_cast<std::size_t>(header->channels);
    std::optional<std::vector<std::uint8_t>> data = inflate_exactly(compressed, header->height * (stride + 1));
    if (!data || !unfilter(*data, *header)) return std::nullopt;

    RgbaImage image{static_cast<int>(header->width), static_cast<int>(header->height), {}};
    image.pixels.resize(std::size_t{header->width} * header->height * 4);
    for (std::size_t row = 0; row < header->height; ++row) {
        const std::uint8_t* source = &(*data)[row * (stride + 1) + 1];
        std::uint8_t* target = &image.pixels[row * header->width * 4];
        for (std::size_t x = 0; x < header->width; ++x) {
            std::memcpy(target + x * 4, source + x * static_cast<std::size_t>(header->channels), 3);
            target[x * 4 + 3] = header->channels == 4 ? source[x * 4 + 3] : 255;
        }
    }
    return image;
}

}  // namespace mervolt
