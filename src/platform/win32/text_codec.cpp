// Code-page conversion with MultiByteToWideChar / WideCharToMultiByte. Flags 0 gives U+FFFD for
// malformed UTF-8 and the code page's default character ('?') for what it cannot hold.
#include <windows.h>

#include <climits>
#include <string>

#include "platform/platform_faces.h"

namespace mervolt {
namespace {

class Win32TextCodec final : public TextCodec {
public:
    std::optional<std::u16string> to_wide(std::string_view bytes, unsigned code_page) override {
        if (bytes.empty()) return IsValidCodePage(code_page) ? std::optional(std::u16string{}) : std::nullopt;
        if (bytes.size() > INT_MAX) return std::nullopt;
        const int length = static_cast<int>(bytes.size());
        const int needed = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
        if (needed <= 0) return std::nullopt;
        std::u16string wide(static_cast<std::size_t>(needed), u'\0');
        const int written = MultiByteToWideChar(code_page, 0, bytes.data(), length,
                                                reinterpret_cast<wchar_t*>(wide.data()), needed);
        if (written <= 0) return std::nullopt;
        wide.resize(static_cast<std::size_t>(written));
        return wide;
    }

    std::optional<std::string> from_wide(std::u16string_view text, unsigned code_page) override {
        if (text.empty()) return IsValidCodePage(code_page) ? std::optional(std::string{}) : std::nullopt;
        if (text.size() > INT_MAX) return std::nullopt;
        const auto* units = reinterpret_cast<const wchar_t*>(text.data());
        const int length = static_cast<int>(text.size());
        const int needed = WideCharToMultiByte(code_page, 0, units, length, nullptr, 0, nullptr, nullptr);
        if (needed <= 0) return std::nullopt;
        std::string bytes(static_cast<std::size_t>(needed), '\0');
        const int written = WideCharToMultiByte(code_page, 0, units, length, bytes.data(), needed, nullptr, nullptr);
        if (written <= 0) return std::nullopt;
        bytes.resize(static_cast<std::size_t>(written));
        return bytes;
    }
};

}  // namespace

TextCodec& platform_text_codec() {
    static Win32TextCodec codec;
    return codec;
}

}  // namespace mervolt
