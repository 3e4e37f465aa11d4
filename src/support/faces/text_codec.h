#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace mervolt {

// Code-page conversion as the platform does it (MultiByteToWideChar / WideCharToMultiByte on
// Windows, iconv on Linux). Code pages by their Windows numbers: 936 (GBK), 65001 (UTF-8).
class TextCodec {
public:
    virtual ~TextCodec() = default;
    // Malformed input becomes U+FFFD. nullopt when the code page is unknown to the platform.
    virtual std::optional<std::u16string> to_wide(std::string_view bytes, unsigned code_page) = 0;
    // Characters the code page cannot hold become its default character ('?').
    virtual std::optional<std::string> from_wide(std::u16string_view text, unsigned code_page) = 0;
};

}  // namespace mervolt
