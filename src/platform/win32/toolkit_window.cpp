// Top-level windows of the toolkit: creation from a design, the window procedure, visibility,
// placement, destruction, the message loop and the process-events step.
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

#include "platform/win32/toolkit_internal.h"
#include "platform/win32/win32_toolkit.h"

namespace mervolt {

using namespace win32_toolkit;

namespace {

constexpr wchar_t window_class_name[] = L"MervoltWindow";
// Not WS_CLIPCHILDREN: the window paints its background beneath the group boxes, which paint
// only their frames.
constexpr DWORD window_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Windows of this process that the toolkit made; the loop ends when the last one is gone.
int live_windows = 0;

struct CreateArguments {
    const WindowDesign* design;
    WindowEvents* events;
    TextCodec* codec;
};

int scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(design_dpi)); }

LRESULT on_nc_create(HWND hwnd, LPARAM lparam) {
    const auto* arguments = static_cast<const CreateArguments*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    auto* window = new ToolkitWindow;
    window->design = arguments->design;
    window->events = arguments->events;
    window->codec = arguments->codec;
    window->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    ++live_windows;
    return TRUE;
}

LRESULT on_command(ToolkitWindow& window, WPARAM wparam, LPARAM lparam) {
    const int id = LOWORD(wparam) - control_id_base;
    // Menus and accelerators send no control handle.
    if (!lparam || HIWORD(wparam) != BN_CLICKED || id < 0 || id >= static_cast<int>(window.controls.size())) return 0;
    window.events->on_control_event({id, EventKind::clicked});
    return 0;
}

LRESULT on_notify(ToolkitWindow& window, LPARAM lparam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    const int id = static_cast<int>(header->idFrom) - control_id_base;
    if (header->code == NM_CLICK && id >= 0 && id < static_cast<int>(window.controls.size()))
        window.events->on_control_event({id, EventKind::list_left_click});
    return 0;
}

LRESULT on_timer(ToolkitWindow& window, WPARAM wparam) {
    window.events->on_timer(static_cast<TimerId>(wparam - timer_id_base));
    return 0;
}

LRESULT on_dpi_changed(ToolkitWindow& window, WPARAM wparam, LPARAM lparam) {
    window.dpi = HIWORD(wparam);
    const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
    SetWindowPos(window.hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    lay_out_controls(window);
    return 0;
}

void on_destroy(ToolkitWindow& window) {
    for (const TimerDesign& timer : window.design->timers) KillTimer(window.hwnd, timer_id_base + timer.id);
    // A modal window gives input back to its owner before it goes, so that the owner, not some
    // other program, becomes active.
    if (window.modal_owner) EnableWindow(window.modal_owner, TRUE);
    window.events->on_destroying();
    for (HWND control : window.controls)
        if (control) RemovePropW(control, text_colour_property);
}

void on_nc_destroy(HWND hwnd, ToolkitWindow* window) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete window;
    if (--live_windows == 0) PostQuitMessage(0);
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) on_nc_create(hwnd, lparam);
    auto* window = reinterpret_cast<ToolkitWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!window) return DefWindowProcW(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_COMMAND: return on_command(*window, wparam, lparam);
    case WM_NOTIFY: return on_notify(*window, lparam);
    case WM_TIMER: return on_timer(*window, wparam);
    case WM_CTLCOLORSTATIC: return paint_static_text(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DPICHANGED: return on_dpi_changed(*window, wparam, lparam);
    case WM_DESTROY: on_destroy(*window); return 0;
    case WM_NCDESTROY: on_nc_destroy(hwnd, window); return 0;
    default: return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

RECT centred_on_work_area(HWND hwnd) {
    RECT frame{};
    GetWindowRect(hwnd, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& area = monitor.rcWork;
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int left = area.left + (area.right - area.left - width) / 2;
    const int top = area.top + (area.bottom - area.top - height) / 2;
    return {left, top, left + width, top + height};
}

}  // namespace

ToolkitWindow::~ToolkitWindow() {
    for (HBITMAP picture : pictures) DeleteObject(picture);
    if (font) DeleteObject(font);
}

ToolkitWindow* win32_toolkit::window_of(HWND hwnd) {
    if (!hwnd) return nullptr;
    wchar_t name[32] = {};
    if (!GetClassNameW(hwnd, name, 32) || lstrcmpW(name, window_class_name) != 0) return nullptr;
    return reinterpret_cast<ToolkitWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

ToolkitWindow* win32_toolkit::window_of_control(HWND control, ControlId* id) {
    ToolkitWindow* window = window_of(GetParent(control));
    if (!window) return nullptr;
    *id = GetDlgCtrlID(control) - control_id_base;
    return *id >= 0 && *id < static_cast<int>(window->controls.size()) ? window : nullptr;
}

Win32Toolkit::Win32Toolkit(TextCodec& codec, HINSTANCE instance)
    : codec_(codec), instance_(instance) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance_;
    window_class.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    window_class.lpszClassName = window_class_name;
    RegisterClassExW(&window_class);
}

Win32Toolkit::~Win32Toolkit() = default;

HWND Win32Toolkit::create_window(const WindowDesign& design, WindowEvents& events, HWND owner) {
    CreateArguments arguments{&design, &events, &codec_};
    const std::wstring title = to_wide(codec_, design.title);
    HWND hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, window_class_name, title.c_str(), window_style, design.place.x,
                                design.place.y, design.place.width, design.place.height, owner, nullptr, instance_,
                                &arguments);
    ToolkitWindow* window = window_of(hwnd);
    if (!window) return nullptr;
    window->dpi = GetDpiForWindow(hwnd);
    if (window->dpi != design_dpi)
        SetWindowPos(hwnd, nullptr, 0, 0, scaled(design.place.width, window->dpi), scaled(design.place.height, window->dpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    create_controls(*window, instance_);
    for (const TimerDesign& timer : design.timers) SetTimer(hwnd, timer_id_base + timer.id, timer.period_ms, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    if (HWND first = GetNextDlgTabItem(hwnd, nullptr, FALSE)) SetFocus(first);
    events.on_created(reinterpret_cast<WindowId>(hwnd));
    return hwnd;
}

WindowId Win32Toolkit::load_window(const WindowDesign& design, WindowEvents& events) {
    return reinterpret_cast<WindowId>(create_window(design, events, nullptr));
}

void Win32Toolkit::run_modal(const WindowDesign& design, WindowEvents& events, WindowId owner) {
    HWND owner_hwnd = native_handle(owner);
    if (owner_hwnd) EnableWindow(owner_hwnd, FALSE);
    HWND hwnd = create_window(design, events, owner_hwnd);
    if (ToolkitWindow* window = window_of(hwnd)) window->modal_owner = owner_hwnd;
    MSG message{};
    while (window_of(hwnd)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The process is ending: leave the quit for the outer loop.
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (owner_hwnd) {
        EnableWindow(owner_hwnd, TRUE);
        if (IsWindowVisible(owner_hwnd)) SetActiveWindow(owner_hwnd);
    }
}

bool Win32Toolkit::exists(WindowId window) { return native_handle(window) != nullptr; }

bool Win32Toolkit::visible(WindowId window) {
    HWND hwnd = native_handle(window);
    return hwnd && IsWindowVisible(hwnd);
}

void Win32Toolkit::set_visible(WindowId window, bool visible) {
    if (HWND hwnd = native_handle(window)) ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
}

void Win32Toolkit::set_placement(WindowId window, Placement placement) {
    HWND hwnd = native_handle(window);
    if (!hwnd) return;
    if (placement == Placement::minimised) {
        ShowWindow(hwnd, SW_MINIMIZE);
        return;
    }
    ShowWindow(hwnd, SW_RESTORE);
    const RECT frame = centred_on_work_area(hwnd);
    SetWindowPos(hwnd, nullptr, frame.left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void Win32Toolkit::destroy(WindowId window) {
    if (HWND hwnd = native_handle(window)) DestroyWindow(hwnd);
}

void Win32Toolkit::use_themed_look() { SetThemeAppProperties(STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS); }

int Win32Toolkit::run_message_loop() {
    if (live_windows == 0) return 0;
    MSG message{};
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

void Win32Toolkit::serve_pending() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Not ours to take: the loop that runs the process must still see it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

HWND Win32Toolkit::native_handle(WindowId window, ControlId control) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    ToolkitWindow* record = window_of(hwnd);
    if (!record) return nullptr;
    if (control == in_window) return hwnd;
    return control >= 0 && control < static_cast<int>(record->controls.size()) ? record->controls[control] : nullptr;
}

HWND Win32Toolkit::control(WindowId window, ControlId control) {
    return control == in_window ? nullptr : native_handle(window, control);
}

}  // namespace mervolt
