#include <windows.h>

#include "platform/win32/win32_message_box.h"

namespace mervolt {

namespace {

using MessageBoxTimeoutFunction = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT, WORD, DWORD);

constexpr int timed_out_result = 32000;
constexpr wchar_t dialog_class[] = L"#32770";

// One box being shown on this thread. Boxes nest when a handler run by an open box's message
// loop shows another one; each call keeps its own record on this thread's stack of them.
struct OpenBox {
    HWND box = nullptr;
    UINT_PTR timer = 0;
    OpenBox* outer = nullptr;
};

thread_local OpenBox* innermost_box = nullptr;

MessageBoxTimeoutFunction message_box_timeout_function() {
    static const auto function = reinterpret_cast<MessageBoxTimeoutFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "MessageBoxTimeoutW")));
    return function;
}

// Notes the first dialog window created during the call: the box itself.
LRESULT CALLBACK note_box_creation(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND && innermost_box && !innermost_box->box) {
        wchar_t name[16] = {};
        if (GetClassNameW(reinterpret_cast<HWND>(wparam), name, 16) && lstrcmpW(name, dialog_class) == 0)
            innermost_box->box = reinterpret_cast<HWND>(wparam);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void CALLBACK end_timed_out_box(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    for (OpenBox* open = innermost_box; open; open = open->outer)
        if (open->timer == timer) {
            if (open->box && IsWindow(open->box)) EndDialog(open->box, timed_out_result);
            return;
        }
}

}  // namespace

NativeWindow Win32MessageBox::active_window() { return reinterpret_cast<NativeWindow>(GetActiveWindow()); }

NativeWindow Win32MessageBox::parent_of(NativeWindow window) {
    return reinterpret_cast<NativeWindow>(GetAncestor(reinterpret_cast<HWND>(window), GA_PARENT));
}

NativeWindow Win32MessageBox::desktop_window() { return reinterpret_cast<NativeWindow>(GetDesktopWindow()); }

int Win32MessageBox::message_box_timeout(NativeWindow owner, const std::u16string& text, const std::u16string& title,
                                         std::uint32_t type, std::uint16_t language, std::uint32_t timeout_ms) {
    const std::wstring wide_text(text.begin(), text.end()), wide_title(title.begin(), title.end());
    OpenBox open;
    open.outer = innermost_box;
    innermost_box = &open;
    HHOOK hook = SetWindowsHookExW(WH_CBT, note_box_creation, nullptr, GetCurrentThreadId());
    if (timeout_ms != INFINITE) open.timer = SetTimer(nullptr, 0, timeout_ms, end_timed_out_box);
    HWND owner_hwnd = reinterpret_cast<HWND>(owner);
    const MessageBoxTimeoutFunction function = message_box_timeout_function();
    const int result = function ? function(owner_hwnd, wide_text.c_str(), wide_title.c_str(), type, language, timeout_ms)
                                : MessageBoxW(owner_hwnd, wide_text.c_str(), wide_title.c_str(), type);
    if (open.timer) KillTimer(nullptr, open.timer);
    if (hook) UnhookWindowsHookEx(hook);
    innermost_box = open.outer;
    return result;
}

}  // namespace mervolt
