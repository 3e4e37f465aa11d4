// Pictures of picture boxes: PNG files built into the program as RCDATA resources, decoded by
// the client's own decoder into bitmaps with their transparent parts laid over the background.
#include <windows.h>

#include <cstring>

#include "platform/win32/toolkit_internal.h"
#include "support/png_image.h"

namespace mervolt {

HBITMAP win32_toolkit::load_picture(HINSTANCE instance, std::string_view name, COLORREF background) {
    if (name.empty()) return nullptr;
    const std::wstring resource_name(name.begin(), name.end());  // resource names are ASCII
    HRSRC resource = FindResourceW(instance, resource_name.c_str(), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
    const auto* bytes = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
    if (!bytes) return nullptr;
    const std::optional<RgbaImage> image = decode_png({bytes, SizeofResource(instance, resource)});
    if (!image) return nullptr;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image->width;
    info.bmiHeader.biHeight = -image->height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    const int back[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
    auto* out = static_cast<std::uint8_t*>(bits);
    for (std::size_t i = 0; i < image->pixels.size(); i += 4) {
        const int alpha = image->pixels[i + 3];
        const std::uint8_t* rgb = &image->pixels[i];
        for (int c = 0; c < 3; ++c)  // blue, green, red
            out[i + c] = static_cast<std::uint8_t>((rgb[2 - c] * alpha + back[c] * (255 - alpha) + 127) / 255);
        out[i + 3] = 0;
    }
    return bitmap;
}

}  // namespace mervolt
