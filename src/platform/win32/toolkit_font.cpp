// The UI font: a face that has the Chinese glyphs. Windows has Microsoft YaHei; a Wine prefix
// has none of Windows' fonts but sees the machine's, of which WenQuanYi Micro Hei is CJK.
#include <windows.h>

#include "platform/win32/toolkit_internal.h"

namespace mervolt {

namespace {

constexpr const wchar_t* preferred_faces[] = {L"Microsoft YaHei", L"WenQuanYi Micro Hei", L"SimSun"};
constexpr int point_size = 9;

int CALLBACK note_face_found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool face_installed(HDC dc, const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExW(dc, &wanted, note_face_found, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

const wchar_t* chosen_face() {
    static const wchar_t* const face = [] {
        HDC dc = GetDC(nullptr);
        const wchar_t* result = nullptr;
        for (const wchar_t* candidate : preferred_faces)
            if (face_installed(dc, candidate)) {
                result = candidate;
                break;
            }
        ReleaseDC(nullptr, dc);
        return result;
    }();
    return face;
}

}  // namespace

HFONT win32_toolkit::create_ui_font(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = -MulDiv(point_size, static_cast<int>(dpi), 72);
    font.lfWidth = 0;
    font.lfCharSet = DEFAULT_CHARSET;
    if (const wchar_t* face = chosen_face()) lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

}  // namespace mervolt
