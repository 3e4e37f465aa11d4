// Code-page conversion with iconv, matching what MultiByteToWideChar / WideCharToMultiByte do
// for the two code pages the client uses: malformed input becomes U+FFFD, characters the target
// page lacks become '?'.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/platform_faces.h"

namespace mervolt {
namespace {

const char* iconv_name(unsigned code_page) {
    switch (code_page) {
    case 936: return "CP936";
    case 65001: return "UTF-8";
    default: return nullptr;
    }
}

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~IconvHandle() { if (valid()) iconv_close(handle_); }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

private:
    iconv_t handle_;
};

// Converts all of input; at a sequence the conversion refuses, appends `replacement` and skips
// `skip` input bytes (one unit of the source encoding).
std::string convert(const IconvHandle& converter, std::string_view input, std::string_view replacement, std::size_t skip) {
    std::string output;
    char buffer[4096];
    char* in = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    while (in_left > 0) {
        char* out = buffer;
        std::size_t out_left = sizeof buffer;
        const std::size_t rc = iconv(converter.get(), &in, &in_left, &out, &out_left);
        const int error = errno;
        output.append(buffer, out - buffer);
        if (rc != static_cast<std::size_t>(-1) || error == E2BIG) continue;
        // EILSEQ: an invalid or unmappable sequence; EINVAL: an incomplete one at the end.
        output.append(replacement);
        const std::size_t skipped = std::min(skip, in_left);
        in += skipped;
        in_left -= skipped;
        iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return output;
}

class IconvTextCodec final : public TextCodec {
public:
    std::optional<std::u16string> to_wide(std::string_view bytes, unsigned code_page) override {
        const char* name = iconv_name(code_page);
        if (!name) return std::nullopt;
        const IconvHandle converter("UTF-16LE", name);
        if (!converter.valid()) return std::nullopt;
        const std::string units = convert(converter, bytes, std::string_view("\xFD\xFF", 2), 1);
        std::u16string wide(units.size() / 2, u'\0');
        for (std::size_t i = 0; i < wide.size(); ++i)
            wide[i] = static_cast<char16_t>(static_cast<unsigned char>(units[2 * i]) |
                                            static_cast<unsigned char>(units[2 * i + 1]) << 8);
        return wide;
    }

    std::optional<std::string> from_wide(std::u16string_view text, unsigned code_page) override {
        const char* name = iconv_name(code_page);
        if (!name) return std::nullopt;
        const IconvHandle converter(name, "UTF-16LE");
        if (!converter.valid()) return std::nullopt;
        std::string units;
        units.reserve(text.size() * 2);
        for (const char16_t unit : text) {
            units += static_cast<char>(unit & 0xFF);
            units += static_cast<char>(unit >> 8);
        }
        // UTF-8 has no default character: WideCharToMultiByte writes U+FFFD for a lone surrogate.
        const std::string_view replacement = code_page == 65001 ? std::string_view("\xEF\xBF\xBD") : "?";
        return convert(converter, units, replacement, 2);
    }
};

}  // namespace

TextCodec& platform_text_codec() {
    static IconvTextCodec codec;
    return codec;
}

}  // namespace mervolt
