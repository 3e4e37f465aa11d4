#pragma once
// What the driver reads about windows of other processes. Every message sent to a window of the
// program under test goes through send_or_fail: a target whose thread is blocked (a sign-in that
// waits for the network) makes the command fail with "busy" instead of hanging the driver.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace driver {

constexpr UINT kSendTimeoutMs = 2000;

// SendMessageTimeoutW; CommandError("busy: ...") when the window does not answer in time.
LRESULT send_or_fail(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

HWND window_argument(long long value);  // CommandError unless it names an existing window

struct TopLevel {
    HWND hwnd;
    std::wstring title;
    std::wstring class_name;
    DWORD pid;
    bool visible;
    bool minimised;
    HWND owner;
    RECT rect;  // on the screen
};

struct Control {
    HWND hwnd;
    HWND parent;
    std::wstring class_name;
    std::wstring text;
    int id;
    RECT rect;  // relative to the client area of the control's top-level window
    RECT screen;
    bool visible;
    bool enabled;
    std::optional<int> checked;  // check boxes and radio buttons only
    LONG style;
    std::string kind;  // label, edit, password, button, checkbox, radio, groupbox, listview, ...
};

std::wstring class_of(HWND window);
std::wstring caption_of(HWND window);  // WM_GETTEXT through send_or_fail
std::vector<TopLevel> top_levels();
TopLevel top_level_facts(HWND window);
Control control_facts(HWND control);
std::vector<Control> controls_of(HWND window);  // every descendant, in creation order

std::string to_json(const TopLevel& window);
std::string to_json(const Control& control);

}  // namespace driver
