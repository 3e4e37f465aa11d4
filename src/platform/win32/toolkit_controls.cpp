// Controls of the toolkit: one native control per design row, its caption, check state, enabled
// state, text colour and focus, and the keys typed into it.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/toolkit_internal.h"
#include "platform/win32/win32_toolkit.h"

namespace mervolt {

using namespace win32_toolkit;

namespace {

constexpr UINT_PTR key_subclass_id = 1;

struct NativeKind {
    const wchar_t* window_class;
    DWORD style;
    DWORD extended_style;
};

NativeKind native_kind(const ControlDesign& row) {
    switch (row.kind) {
    case ControlKind::group_box: return {WC_BUTTONW, BS_GROUPBOX | WS_CLIPSIBLINGS, 0};
    case ControlKind::picture_box: return {WC_STATICW, SS_BITMAP | SS_REALSIZECONTROL, 0};
    // A label keeps to one line, cut at its right edge, as the designs were drawn.
    case ControlKind::label: return {WC_STATICW, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::edit:
        return {WC_EDITW, DWORD{ES_AUTOHSCROLL | WS_TABSTOP} | ((row.flags & password) ? DWORD{ES_PASSWORD} : 0),
                WS_EX_CLIENTEDGE};
    case ControlKind::button: return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::check_box: return {WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::radio_button:
        return {WC_BUTTONW, DWORD{BS_AUTORADIOBUTTON} | ((row.flags & group_start) ? DWORD{WS_TABSTOP} : 0), 0};
    case ControlKind::combo_box: return {WC_COMBOBOXW, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::list_view:
        return {WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE};
    }
    return {WC_STATICW, 0, 0};
}

// Radio buttons exclude each other up to the next control marked as a group's start, so every
// control that does not continue a radio group starts one.
bool starts_group(const WindowDesign& design, const ControlDesign& row) {
    if (row.kind != ControlKind::radio_button || (row.flags & group_start)) return true;
    return radio_group_of(design, row.id).front().id == row.id;
}

// Keys typed into a control: Tab moves the focus (the windows are not dialogs, so nothing else
// would), and an edit box reports each key to its window after the box has had it.
LRESULT CALLBACK control_keys(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    if (message == WM_KEYDOWN && wparam == VK_TAB) {
        const bool backwards = GetKeyState(VK_SHIFT) < 0;
        if (HWND next = GetNextDlgTabItem(GetAncestor(hwnd, GA_ROOT), hwnd, backwards)) SetFocus(next);
        return 0;
    }
    if (message == WM_CHAR && wparam == L'\t') return 0;
    const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
    if (message == WM_KEYDOWN) {
        ControlId id = 0;
        ToolkitWindow* window = window_of_control(hwnd, &id);
        if (window && window->design->controls[id].kind == ControlKind::edit)
            window->events->on_control_event({id, EventKind::key_pressed, static_cast<std::int64_t>(wparam)});
    }
    return result;
}

void fill_list_columns(HWND list, const ControlDesign& row, TextCodec& codec) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const ColumnDesign& column : row.columns) {
        std::wstring title = to_wide(codec, column.title);
        LVCOLUMNW native{};
        native.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        native.pszText = title.data();
        native.cx = column.width;
        native.iSubItem = index;
        SendMessageW(list, LVM_INSERTCOLUMNW, index++, reinterpret_cast<LPARAM>(&native));
    }
}

void fill_combo_items(HWND combo, const ControlDesign& row, TextCodec& codec) {
    for (const ComboItem& item : row.items) {
        const std::wstring text = to_wide(codec, item.text);
        const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(combo, CB_SETITEMDATA, index, static_cast<LPARAM>(item.value));
    }
    SendMessageW(combo, CB_SETMINVISIBLE, row.items.empty() ? 1 : row.items.size(), 0);
}

HWND create_control(ToolkitWindow& window, const ControlDesign& row, HINSTANCE instance) {
    const NativeKind kind = native_kind(row);
    const DWORD style = WS_CHILD | WS_VISIBLE | kind.style | (starts_group(*window.design, row) ? WS_GROUP : 0);
    const std::wstring caption = to_wide(*window.codec, row.caption);
    HWND hwnd = CreateWindowExW(kind.extended_style, kind.window_class, caption.c_str(), style, 0, 0, 0, 0, window.hwnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id_base + row.id)), instance,
                                nullptr);
    if (!hwnd) return nullptr;
    switch (row.kind) {
    case ControlKind::edit:
        if (row.flags & password) SendMessageW(hwnd, EM_SETPASSWORDCHAR, L'*', 0);
        SetWindowSubclass(hwnd, control_keys, key_subclass_id, 0);
        break;
    case ControlKind::button:
        SetWindowSubclass(hwnd, control_keys, key_subclass_id, 0);
        break;
    case ControlKind::check_box:
    case ControlKind::radio_button:
        if (row.flags & starts_checked) SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
        SetWindowSubclass(hwnd, control_keys, key_subclass_id, 0);
        break;
    case ControlKind::picture_box:
        if (HBITMAP picture = load_picture(instance, row.picture, GetSysColor(COLOR_BTNFACE))) {
            window.pictures.push_back(picture);
            SendMessageW(hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
        }
        break;
    case ControlKind::list_view: fill_list_columns(hwnd, row, *window.codec); break;
    case ControlKind::combo_box:
        fill_combo_items(hwnd, row, *window.codec);
        SetWindowTextW(hwnd, caption.c_str());  // a combo box leaves its creation caption aside
        break;
    case ControlKind::group_box:
    case ControlKind::label: break;
    }
    return hwnd;
}

}  // namespace

void win32_toolkit::create_controls(ToolkitWindow& window, HINSTANCE instance) {
    window.controls.clear();
    for (const ControlDesign& row : window.design->controls)
        window.controls.push_back(create_control(window, row, instance));
    // Frames lie beneath the controls they hold, outer frames beneath inner ones, and paint only
    // where nothing covers them; the other controls keep their table order for the Tab key.
    for (std::size_t i = window.controls.size(); i-- > 0;)
        if (window.design->controls[i].kind == ControlKind::group_box && window.controls[i])
            SetWindowPos(window.controls[i], HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    lay_out_controls(window);
}

void win32_toolkit::lay_out_controls(ToolkitWindow& window) {
    HFONT font = create_ui_font(window.dpi);
    const auto scaled = [&](int pixels) { return MulDiv(pixels, static_cast<int>(window.dpi), design_dpi); };
    for (std::size_t i = 0; i < window.controls.size(); ++i) {
        HWND hwnd = window.controls[i];
        if (!hwnd) continue;
        const Rect rect = client_rect_of(*window.design, static_cast<ControlId>(i));
        SetWindowPos(hwnd, nullptr, scaled(rect.x), scaled(rect.y), scaled(rect.width), scaled(rect.height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (window.font) DeleteObject(window.font);
    window.font = font;
}

LRESULT win32_toolkit::paint_static_text(HDC dc, HWND control) {
    const auto colour = reinterpret_cast<std::uintptr_t>(GetPropW(control, text_colour_property));
    if (colour & text_colour_present) SetTextColor(dc, static_cast<COLORREF>(colour & 0xFFFFFF));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

std::string Win32Toolkit::text(WindowId window, ControlId id) {
    HWND hwnd = control(window, id);
    return hwnd ? window_text(codec_, hwnd) : std::string();
}

void Win32Toolkit::set_text(WindowId window, ControlId id, std::string_view text) {
    if (HWND hwnd = control(window, id)) SetWindowTextW(hwnd, to_wide(codec_, text).c_str());
}

bool Win32Toolkit::checked(WindowId window, ControlId id) {
    HWND hwnd = control(window, id);
    return hwnd && SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Toolkit::set_checked(WindowId window, ControlId id, bool checked) {
    HWND hwnd = control(window, id);
    if (!hwnd) return;
    // A selected radio button deselects the others of its group, as a click would.
    if (checked)
        for (const ControlDesign& other : radio_group_of(*window_of(native_handle(window))->design, id))
            if (other.id != id) SendMessageW(control(window, other.id), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Toolkit::set_enabled(WindowId window, ControlId id, bool enabled) {
    if (HWND hwnd = control(window, id)) EnableWindow(hwnd, enabled);
}

void Win32Toolkit::set_text_colour(WindowId window, ControlId id, Colour colour) {
    HWND hwnd = control(window, id);
    if (!hwnd) return;
    SetPropW(hwnd, text_colour_property, reinterpret_cast<HANDLE>((colour & 0xFFFFFF) | text_colour_present));
    InvalidateRect(hwnd, nullptr, TRUE);
}

void Win32Toolkit::focus(WindowId window, ControlId id) {
    if (HWND hwnd = control(window, id)) SetFocus(hwnd);
}

}  // namespace mervolt
