// The toolkit's one border between the client's GBK texts and the wide window texts.
#include "platform/win32/toolkit_internal.h"

namespace mervolt {

std::wstring win32_toolkit::to_wide(TextCodec& codec, std::string_view text) {
    const std::optional<std::u16string> wide = codec.to_wide(text, 936);
    return wide ? std::wstring(wide->begin(), wide->end()) : std::wstring();
}

std::string win32_toolkit::to_local(TextCodec& codec, std::wstring_view text) {
    const std::u16string wide(text.begin(), text.end());
    return codec.from_wide(wide, 936).value_or(std::string());
}

std::string win32_toolkit::window_text(TextCodec& codec, HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return to_local(codec, text);
}

}  // namespace mervolt
