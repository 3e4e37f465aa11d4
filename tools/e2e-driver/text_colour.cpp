#include "text_colour.h"

#include <cstdlib>
#include <map>
#include <vector>

#include "protocol.h"
#include "window_facts.h"

namespace driver {

namespace {

// No parent would choose this colour; seeing it afterwards means the parent never touched the DC.
constexpr COLORREF kUntouched = RGB(1, 2, 3);

UINT colour_message(HWND control) {
    std::wstring name = class_of(control);
    if (_wcsicmp(name.c_str(), L"Edit") == 0)
        return (GetWindowLongW(control, GWL_STYLE) & ES_READONLY) || !IsWindowEnabled(control) ? WM_CTLCOLORSTATIC
                                                                                               : WM_CTLCOLOREDIT;
    if (_wcsicmp(name.c_str(), L"Button") == 0) {
        LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
        return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC;
    }
    if (_wcsicmp(name.c_str(), L"ListBox") == 0) return WM_CTLCOLORLISTBOX;
    return WM_CTLCOLORSTATIC;
}

COLORREF colour_from_parent(HWND control) {
    HWND parent = GetParent(control);
    if (!parent) throw CommandError("the control has no parent to ask for its colour");
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, kUntouched);
    COLORREF colour = kUntouched;
    try {
        send_or_fail(parent, colour_message(control), reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
        colour = GetTextColor(dc);
    } catch (...) {
        DeleteDC(dc);
        throw;
    }
    DeleteDC(dc);
    if (colour == kUntouched) throw CommandError("the parent set no colour on the driver's DC");
    return colour;
}

int distance(DWORD a, DWORD b) {
    return std::abs(int(a & 0xFF) - int(b & 0xFF)) + std::abs(int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF)) +
           std::abs(int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF));
}

COLORREF colour_from_screen(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) throw CommandError("the control has no area on the screen");
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    int lines = GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != height) throw CommandError("cannot read the screen");

    std::map<DWORD, int> counts;
    for (DWORD& pixel : pixels) ++counts[pixel &= 0xFFFFFF];
    DWORD background = 0;
    int most = -1;
    for (auto [pixel, count] : counts)
        if (count > most) most = count, background = pixel;
    DWORD text = background;
    for (auto [pixel, count] : counts)
        if (distance(pixel, background) > distance(text, background)) text = pixel;
    if (text == background) throw CommandError("the control shows no text on the screen");
    // DIB pixels are 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
    return RGB((text >> 16) & 0xFF, (text >> 8) & 0xFF, text & 0xFF);
}

}  // namespace

COLORREF text_colour(HWND control, ColourMethod method) {
    return method == ColourMethod::ctlcolor ? colour_from_parent(control) : colour_from_screen(control);
}

}  // namespace driver
