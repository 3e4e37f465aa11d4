#pragma once
// Shared by the toolkit_*.cpp files only.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/faces/text_codec.h"
#include "support/faces/toolkit.h"

namespace mervolt::win32_toolkit {

// A control's child-window id is this plus its design id.
inline constexpr int control_id_base = 100;
// A timer's native id is this plus its design id (native id 0 is avoided).
inline constexpr UINT_PTR timer_id_base = 1;
inline constexpr UINT design_dpi = 96;  // the designs' pixels are pixels at 96 dots per inch
// A control's own text colour is kept as a window property, so that tools reading the screen
// (the end-to-end driver) can find it too: the colour plus text_colour_present; absent: none.
inline constexpr wchar_t text_colour_property[] = L"Mervolt.TextColour";
inline constexpr std::uintptr_t text_colour_present = 0x1000000;

// One loaded window, owned by its native window (freed on WM_NCDESTROY).
struct ToolkitWindow {
    const WindowDesign* design = nullptr;
    WindowEvents* events = nullptr;
    TextCodec* codec = nullptr;
    HWND hwnd = nullptr;
    HWND modal_owner = nullptr;  // disabled while this modal window lives
    UINT dpi = design_dpi;
    HFONT font = nullptr;        // owned; made for dpi
    std::vector<HWND> controls;  // by design id
    std::vector<HBITMAP> pictures;  // owned

    ToolkitWindow() = default;
    ToolkitWindow(const ToolkitWindow&) = delete;
    ToolkitWindow& operator=(const ToolkitWindow&) = delete;
    ~ToolkitWindow();
};

// The window of one of the toolkit's top-level handles, or nullptr.
ToolkitWindow* window_of(HWND hwnd);
// The window a control belongs to, and the control's design id, or nullptr.
ToolkitWindow* window_of_control(HWND control, ControlId* id);

std::wstring to_wide(TextCodec& codec, std::string_view text);
std::string to_local(TextCodec& codec, std::wstring_view text);
std::string window_text(TextCodec& codec, HWND hwnd);

// toolkit_picture.cpp: the program's PNG image resource of that name as a bitmap, transparent
// parts laid over background; nullptr when there is none.
HBITMAP load_picture(HINSTANCE instance, std::string_view name, COLORREF background);

// toolkit_controls.cpp
void create_controls(ToolkitWindow& window, HINSTANCE instance);
void lay_out_controls(ToolkitWindow& window);
LRESULT paint_static_text(HDC dc, HWND control);

// toolkit_font.cpp: the UI font for a DPI, in a CJK face so that Chinese captions are readable.
HFONT create_ui_font(UINT dpi);

}  // namespace mervolt::win32_toolkit
