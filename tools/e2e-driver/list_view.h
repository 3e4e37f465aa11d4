#pragma once
// Reading and clicking a report-style list view of another process.
#include <windows.h>

#include <string>
#include <vector>

namespace driver {

struct ListViewContents {
    std::vector<std::wstring> columns;            // header texts
    std::vector<std::vector<std::wstring>> rows;  // one text per column
    std::vector<int> selected;                    // indices of the selected rows
};

ListViewContents read_list_view(HWND list);
// The row's cell in the first column with a width, in the list view's client coordinates;
// scrolls the row into view.
RECT row_rect(HWND list, int row);

}  // namespace driver
