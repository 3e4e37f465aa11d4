#include "list_view.h"

#include <commctrl.h>

#include "protocol.h"
#include "remote_memory.h"
#include "window_facts.h"

namespace driver {

namespace {

constexpr int kCellChars = 1024;
constexpr size_t kTextOffset = 512;  // the record first, the text buffer after it
constexpr size_t kBlockSize = kTextOffset + kCellChars * sizeof(wchar_t);
static_assert(sizeof(LVITEMW) <= kTextOffset && sizeof(LVCOLUMNW) <= kTextOffset);

std::wstring read_text(const RemoteMemory& memory) {
    std::wstring text(kCellChars, L'\0');
    memory.read(kTextOffset, text.data(), kCellChars * sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), kCellChars - 1));
    return text;
}

std::wstring column_text(HWND list, RemoteMemory& memory, int column) {
    LVCOLUMNW record{};
    record.mask = LVCF_TEXT;
    record.pszText = static_cast<wchar_t*>(memory.at(kTextOffset));
    record.cchTextMax = kCellChars;
    wchar_t empty = L'\0';
    memory.write(kTextOffset, &empty, sizeof empty);
    memory.write(0, &record, sizeof record);
    if (!send_or_fail(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(memory.address()))) return {};
    return read_text(memory);
}

std::wstring cell_text(HWND list, RemoteMemory& memory, int row, int column) {
    LVITEMW record{};
    record.iSubItem = column;
    record.pszText = static_cast<wchar_t*>(memory.at(kTextOffset));
    record.cchTextMax = kCellChars;
    memory.write(0, &record, sizeof record);
    auto length = send_or_fail(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(memory.address()));
    if (length <= 0) return {};
    return read_text(memory);
}

int column_count(HWND list) {
    auto header = reinterpret_cast<HWND>(send_or_fail(list, LVM_GETHEADER, 0, 0));
    int columns = header ? static_cast<int>(send_or_fail(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    return columns < 0 ? 0 : columns;
}

}  // namespace

ListViewContents read_list_view(HWND list) {
    ListViewContents contents;
    RemoteMemory memory(list, kBlockSize);
    int columns = column_count(list);
    for (int column = 0; column < columns; ++column) contents.columns.push_back(column_text(list, memory, column));
    int rows = static_cast<int>(send_or_fail(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < (columns ? columns : 1); ++column)
            cells.push_back(cell_text(list, memory, row, column));
        contents.rows.push_back(std::move(cells));
    }
    for (int row = -1;;) {
        row = static_cast<int>(send_or_fail(list, LVM_GETNEXTITEM, row, LVNI_SELECTED));
        if (row < 0) break;
        contents.selected.push_back(row);
    }
    return contents;
}

RECT row_rect(HWND list, int row) {
    int rows = static_cast<int>(send_or_fail(list, LVM_GETITEMCOUNT, 0, 0));
    if (row < 0 || row >= rows)
        throw CommandError("row " + std::to_string(row) + " is not in a list of " + std::to_string(rows));
    send_or_fail(list, LVM_ENSUREVISIBLE, row, FALSE);
    // The first column with a width: a list may keep key columns zero wide, and a click there
    // would fall between cells.
    int columns = column_count(list);
    int column = 0;
    while (column < columns && send_or_fail(list, LVM_GETCOLUMNWIDTH, column, 0) <= 0) ++column;
    if (column == columns) column = 0;
    RemoteMemory memory(list, sizeof(RECT));
    RECT rect{};
    rect.top = column;
    rect.left = LVIR_LABEL;
    memory.write(0, &rect, sizeof rect);
    if (!send_or_fail(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(memory.address())))
        throw CommandError("the list view gave no rectangle for row " + std::to_string(row));
    memory.read(0, &rect, sizeof rect);
    return rect;
}

}  // namespace driver
