// The report-style list view and the combo box of the toolkit.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/toolkit_internal.h"
#include "platform/win32/win32_toolkit.h"

namespace mervolt {

using namespace win32_toolkit;

namespace {

// Cells and items are short (addresses, line names); longer texts come back cut.
constexpr int text_capacity = 1024;

std::string list_cell(TextCodec& codec, HWND list, int row, int column) {
    wchar_t buffer[text_capacity] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = text_capacity;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return to_local(codec, buffer);
}

}  // namespace

void Win32Toolkit::delete_all_rows(WindowId window, ControlId list) {
    if (HWND hwnd = control(window, list)) ListView_DeleteAllItems(hwnd);
}

int Win32Toolkit::append_row(WindowId window, ControlId list) {
    HWND hwnd = control(window, list);
    if (!hwnd) return -1;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(hwnd);
    item.pszText = const_cast<wchar_t*>(L"");
    return static_cast<int>(SendMessageW(hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32Toolkit::set_cell(WindowId window, ControlId list, int row, int column, std::string_view text) {
    HWND hwnd = control(window, list);
    if (!hwnd) return;
    std::wstring wide = to_wide(codec_, text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(hwnd, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

std::string Win32Toolkit::cell(WindowId window, ControlId list, int row, int column) {
    HWND hwnd = control(window, list);
    if (!hwnd || row < 0 || row >= ListView_GetItemCount(hwnd)) return {};
    return list_cell(codec_, hwnd, row, column);
}

int Win32Toolkit::row_count(WindowId window, ControlId list) {
    HWND hwnd = control(window, list);
    return hwnd ? ListView_GetItemCount(hwnd) : 0;
}

int Win32Toolkit::find_row(WindowId window, ControlId list, int column, std::string_view text) {
    HWND hwnd = control(window, list);
    const int rows = hwnd ? ListView_GetItemCount(hwnd) : 0;
    for (int row = 0; row < rows; ++row)
        if (list_cell(codec_, hwnd, row, column) == text) return row;
    return -1;
}

int Win32Toolkit::selected_row(WindowId window, ControlId list) {
    HWND hwnd = control(window, list);
    return hwnd ? ListView_GetNextItem(hwnd, -1, LVNI_SELECTED) : -1;
}

void Win32Toolkit::clear_selection(WindowId window, ControlId combo) {
    if (HWND hwnd = control(window, combo)) SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

int Win32Toolkit::item_count(WindowId window, ControlId combo) {
    HWND hwnd = control(window, combo);
    return hwnd ? static_cast<int>(SendMessageW(hwnd, CB_GETCOUNT, 0, 0)) : 0;
}

std::string Win32Toolkit::item_text(WindowId window, ControlId combo, int item) {
    HWND hwnd = control(window, combo);
    if (!hwnd || item < 0 || item >= item_count(window, combo)) return {};
    const LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, item, 0);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    SendMessageW(hwnd, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return to_local(codec_, text);
}

std::int64_t Win32Toolkit::item_value(WindowId window, ControlId combo, int item) {
    HWND hwnd = control(window, combo);
    if (!hwnd || item < 0 || item >= item_count(window, combo)) return 0;
    return static_cast<std::int64_t>(SendMessageW(hwnd, CB_GETITEMDATA, item, 0));
}

bool Win32Toolkit::select_item(WindowId window, ControlId combo, std::string_view text) {
    HWND hwnd = control(window, combo);
    const int items = item_count(window, combo);
    for (int item = 0; item < items; ++item) {
        if (item_text(window, combo, item) != text) continue;
        SendMessageW(hwnd, CB_SETCURSEL, item, 0);
        return true;
    }
    return false;
}

}  // namespace mervolt
