#include "window_facts.h"

#include <cwctype>

#include "protocol.h"

namespace driver {

LRESULT send_or_fail(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        throw CommandError("busy: the window did not answer message " + std::to_string(message) + " within " +
                           std::to_string(kSendTimeoutMs) + " ms");
    return static_cast<LRESULT>(result);
}

HWND window_argument(long long value) {
    HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(value));
    if (!IsWindow(window)) throw CommandError("no such window: " + std::to_string(value));
    return window;
}

std::wstring class_of(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring caption_of(HWND window) {
    auto length = static_cast<size_t>(send_or_fail(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    auto copied = static_cast<size_t>(
        send_or_fail(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(copied < length ? copied : length);
    return text;
}

namespace {
BOOL CALLBACK collect_handle(HWND window, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}
}  // namespace

TopLevel top_level_facts(HWND window) {
    // GetWindowTextW does not send WM_GETTEXT to another process's window: the title is read even
    // while that window's thread is busy.
    wchar_t title[1024] = {};
    GetWindowTextW(window, title, 1024);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    RECT rect{};
    GetWindowRect(window, &rect);
    return {window,
            title,
            class_of(window),
            pid,
            IsWindowVisible(window) != FALSE,
            IsIconic(window) != FALSE,
            GetWindow(window, GW_OWNER),
            rect};
}

std::vector<TopLevel> top_levels() {
    std::vector<HWND> handles;
    EnumWindows(collect_handle, reinterpret_cast<LPARAM>(&handles));
    std::vector<TopLevel> windows;
    for (HWND window : handles) windows.push_back(top_level_facts(window));
    return windows;
}

namespace {

bool same_class(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

std::string kind_of(HWND control, const std::wstring& class_name, LONG style) {
    if (same_class(class_name, L"Button")) {
        switch (style & BS_TYPEMASK) {
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_3STATE:
            case BS_AUTO3STATE: return "checkbox";
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON: return "radio";
            case BS_GROUPBOX: return "groupbox";
            default: return "button";
        }
    }
    if (same_class(class_name, L"Edit"))
        return send_or_fail(control, EM_GETPASSWORDCHAR, 0, 0) != 0 ? "password" : "edit";
    if (same_class(class_name, L"Static")) {
        switch (style & SS_TYPEMASK) {
            case SS_BITMAP:
            case SS_ICON:
            case SS_ENHMETAFILE: return "picture";
            default: return "label";
        }
    }
    if (same_class(class_name, L"SysListView32")) return "listview";
    if (same_class(class_name, L"ComboBox")) return "combobox";
    std::string other;
    for (wchar_t c : class_name) other += static_cast<char>(c < 128 ? std::towlower(c) : '?');
    return other;
}

}  // namespace

Control control_facts(HWND control) {
    Control facts{};
    facts.hwnd = control;
    facts.parent = GetParent(control);
    facts.class_name = class_of(control);
    facts.text = caption_of(control);
    facts.id = GetDlgCtrlID(control);
    GetWindowRect(control, &facts.screen);
    facts.rect = facts.screen;
    MapWindowPoints(HWND_DESKTOP, GetAncestor(control, GA_ROOT), reinterpret_cast<POINT*>(&facts.rect), 2);
    facts.visible = IsWindowVisible(control) != FALSE;
    facts.enabled = IsWindowEnabled(control) != FALSE;
    facts.style = GetWindowLongW(control, GWL_STYLE);
    facts.kind = kind_of(control, facts.class_name, facts.style);
    if (facts.kind == "checkbox" || facts.kind == "radio")
        facts.checked = static_cast<int>(send_or_fail(control, BM_GETCHECK, 0, 0));
    return facts;
}

std::vector<Control> controls_of(HWND window) {
    std::vector<HWND> handles;
    EnumChildWindows(window, collect_handle, reinterpret_cast<LPARAM>(&handles));
    std::vector<Control> controls;
    for (HWND child : handles) controls.push_back(control_facts(child));
    return controls;
}

namespace {
long long handle_number(HWND window) { return static_cast<long long>(reinterpret_cast<intptr_t>(window)); }
}  // namespace

std::string to_json(const TopLevel& window) {
    return JsonObject()
        .number("hwnd", handle_number(window.hwnd))
        .text("title", wide_to_utf8(window.title))
        .text("class", wide_to_utf8(window.class_name))
        .number("pid", window.pid)
        .flag("visible", window.visible)
        .flag("minimised", window.minimised)
        .number("owner", handle_number(window.owner))
        .number("x", window.rect.left)
        .number("y", window.rect.top)
        .number("w", window.rect.right - window.rect.left)
        .number("h", window.rect.bottom - window.rect.top)
        .str();
}

std::string to_json(const Control& control) {
    JsonObject json;
    json.number("hwnd", handle_number(control.hwnd))
        .number("parent", handle_number(control.parent))
        .text("class", wide_to_utf8(control.class_name))
        .text("kind", control.kind)
        .text("text", wide_to_utf8(control.text))
        .number("id", control.id)
        .number("x", control.rect.left)
        .number("y", control.rect.top)
        .number("w", control.rect.right - control.rect.left)
        .number("h", control.rect.bottom - control.rect.top)
        .number("screen_x", control.screen.left)
        .number("screen_y", control.screen.top)
        .flag("visible", control.visible)
        .flag("enabled", control.enabled)
        .number("style", control.style);
    if (control.checked)
        json.number("checked", *control.checked);
    else
        json.null("checked");
    return json.str();
}

}  // namespace driver
