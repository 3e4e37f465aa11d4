// driver-test-window.exe: a window with one control of each kind the client's windows use, so
// the driver's tests can check every read and every kind of input against known reactions.
//   复制 button      -> 状态 label shows the edit box's text
//   Enter in 密码 box -> 状态 label shows "回车:" and the password
//   WM_CHAR in the edit box -> 键入 label counts the characters received
//   a click on a list row (NM_CLICK) -> 状态 label shows "行 N:" and the row's 线路名称
//   提示 button       -> a message box; once it is closed, 状态 shows "消息框已关闭"
//   已过期 label is drawn red, 正常 label black
//   the hotkey F8 (no modifier, id 7) -> 状态 shows "热键 7"
//   忙碌 button -> the window's thread blocks for 4 s (as in a network request), then 状态 shows "空闲"
//   菜单 button -> a pop-up menu 返回界面 (201) / 退出 (202); 状态 shows "菜单 " and the chosen id
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

enum ControlId : int {
    kStatus = 100,
    kEdit,
    kPassword,
    kCopy,
    kRemember,
    kPptp,
    kL2tp,
    kSstp,
    kList,
    kRedLabel,
    kBlackLabel,
    kCharCount,
    kMessage,
    kDisabled,
    kGroup,
    kMenuButton,
    kBusy,
};

enum MenuItem : int { kRestoreItem = 201, kExitItem = 202 };

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr int kHotkeyId = 7;

HWND g_main = nullptr;
WNDPROC g_edit_proc = nullptr;
WNDPROC g_password_proc = nullptr;
int g_chars = 0;

HWND item(int id) { return GetDlgItem(g_main, id); }

std::wstring text_of(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void set_status(const std::wstring& text) { SetWindowTextW(item(kStatus), text.c_str()); }

LRESULT CALLBACK edit_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CHAR) SetWindowTextW(item(kCharCount), (L"键入 " + std::to_wstring(++g_chars)).c_str());
    return CallWindowProcW(g_edit_proc, window, message, wparam, lparam);
}

LRESULT CALLBACK password_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_KEYDOWN && wparam == VK_RETURN) set_status(L"回车:" + text_of(window));
    return CallWindowProcW(g_password_proc, window, message, wparam, lparam);
}

HWND add(const wchar_t* class_name, const wchar_t* caption, DWORD style, int x, int y, int w, int h, int id) {
    return CreateWindowExW(0, class_name, caption, WS_CHILD | WS_VISIBLE | style, x, y, w, h, g_main,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void add_list_view() {
    HWND list = add(WC_LISTVIEWW, L"", WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 20, 200, 440,
                    120, kList);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    // Like the client's line list: the first two columns are there but zero wide.
    const wchar_t* columns[] = {L"id", L"ser", L"线路名称", L"线路说明"};
    const int widths[] = {0, 0, 160, 200};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = widths[i];
        column.pszText = const_cast<wchar_t*>(columns[i]);
        ListView_InsertColumn(list, i, &column);
    }
    const wchar_t* rows[][4] = {
        {L"1", L"127.0.0.2", L"北京一号", L"电信 100M"},
        {L"2", L"127.0.0.3", L"上海二号", L"联通\t制表"},
        {L"3", L"127.0.0.4", L"广州三号", L""},
    };
    for (int r = 0; r < 3; ++r) {
        LVITEMW row{};
        row.mask = LVIF_TEXT;
        row.iItem = r;
        row.pszText = const_cast<wchar_t*>(rows[r][0]);
        ListView_InsertItem(list, &row);
        for (int c = 1; c < 4; ++c) ListView_SetItemText(list, r, c, const_cast<wchar_t*>(rows[r][c]));
    }
}

void create_controls() {
    add(L"STATIC", L"准备好了", 0, 20, 10, 300, 20, kStatus);
    HWND edit = add(L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, 20, 40, 200, 24, kEdit);
    HWND password = add(L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL | ES_PASSWORD, 20, 70, 200, 24, kPassword);
    add(L"BUTTON", L"复制", BS_PUSHBUTTON, 240, 40, 80, 26, kCopy);
    add(L"BUTTON", L"记住密码", BS_AUTOCHECKBOX, 240, 70, 100, 24, kRemember);
    add(L"BUTTON", L"协议", BS_GROUPBOX, 14, 100, 300, 50, kGroup);
    add(L"BUTTON", L"PPTP", BS_AUTORADIOBUTTON | WS_GROUP, 24, 120, 80, 24, kPptp);
    add(L"BUTTON", L"L2tp", BS_AUTORADIOBUTTON, 114, 120, 80, 24, kL2tp);
    add(L"BUTTON", L"SSTP", BS_AUTORADIOBUTTON, 204, 120, 80, 24, kSstp);
    add(L"STATIC", L"已过期", 0, 20, 160, 100, 24, kRedLabel);
    add(L"STATIC", L"正常", 0, 130, 160, 100, 24, kBlackLabel);
    add(L"STATIC", L"键入 0", 0, 240, 160, 100, 24, kCharCount);
    add(L"BUTTON", L"提示", BS_PUSHBUTTON, 340, 40, 80, 26, kMessage);
    add(L"BUTTON", L"禁用", BS_PUSHBUTTON | WS_DISABLED, 340, 70, 80, 26, kDisabled);
    add(L"BUTTON", L"菜单", BS_PUSHBUTTON, 340, 100, 80, 26, kMenuButton);
    add(L"BUTTON", L"忙碌", BS_PUSHBUTTON, 340, 130, 80, 26, kBusy);
    add_list_view();
    SendMessageW(item(kPptp), BM_SETCHECK, BST_CHECKED, 0);
    g_edit_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(edit_proc)));
    g_password_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(password, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(password_proc)));
}

// As a tray icon's menu is shown: at a screen point, the command returned rather than sent.
void show_menu() {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kRestoreItem, L"返回界面");
    AppendMenuW(menu, MF_STRING, kExitItem, L"退出");
    RECT button{};
    GetWindowRect(item(kMenuButton), &button);
    SetForegroundWindow(g_main);
    int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, button.left, button.bottom, 0,
                                g_main, nullptr);
    DestroyMenu(menu);
    set_status(L"菜单 " + std::to_wstring(chosen));
}

void on_command(int id) {
    if (id == kMenuButton) show_menu();
    if (id == kBusy) {
        Sleep(4000);
        set_status(L"空闲");
    }
    if (id == kCopy) set_status(text_of(item(kEdit)));
    if (id == kMessage) {
        MessageBoxW(g_main, L"测试消息内容", L"测试标题", MB_OK);
        set_status(L"消息框已关闭");
    }
}

void on_list_click(const NMITEMACTIVATE& click) {
    wchar_t name[256] = {};
    if (click.iItem >= 0) ListView_GetItemText(item(kList), click.iItem, 2, name, 256);
    set_status(L"行 " + std::to_wstring(click.iItem) + L":" + name);
}

LRESULT on_ctlcolor_static(HDC dc, HWND control, HWND window, WPARAM wparam, LPARAM lparam) {
    LRESULT brush = DefWindowProcW(window, WM_CTLCOLORSTATIC, wparam, lparam);
    if (control == item(kRedLabel)) SetTextColor(dc, kRed);
    return brush;
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND: on_command(LOWORD(wparam)); return 0;
        case WM_NOTIFY:
            if (reinterpret_cast<NMHDR*>(lparam)->idFrom == kList && reinterpret_cast<NMHDR*>(lparam)->code == NM_CLICK)
                on_list_click(*reinterpret_cast<NMITEMACTIVATE*>(lparam));
            return 0;
        case WM_CTLCOLORSTATIC:
            return on_ctlcolor_static(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam), window, wparam,
                                      lparam);
        case WM_HOTKEY: set_status(L"热键 " + std::to_wstring(wparam)); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = L"MervoltDriverTestWindow";
    RegisterClassW(&window_class);
    g_main = CreateWindowExW(0, window_class.lpszClassName, L"驱动测试窗", WS_OVERLAPPEDWINDOW, 50, 50, 500, 380,
                             nullptr, nullptr, instance, nullptr);
    create_controls();
    RegisterHotKey(g_main, kHotkeyId, 0, VK_F8);
    ShowWindow(g_main, show);
    UpdateWindow(g_main);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
