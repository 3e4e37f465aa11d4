#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mervolt {

// A picture as four bytes per pixel (red, green, blue, alpha), rows from the top.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Decodes the PNG files the program carries (its banners and icons): 8 bits per sample, colour
// types RGB and RGBA, not interlaced. Anything else, or a damaged file, gives nullopt. Decoding
// here instead of through the system's imaging libraries keeps those libraries from loading at
// start-up, which is most of the time a first window takes beyond the least a program needs.
std::optional<RgbaImage> decode_png(std::span<const std::uint8_t> file);

}  // namespace mervolt
