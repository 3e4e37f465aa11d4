// The driver's commands. Input (clicks, keys, WM_CLOSE) is posted by default, so a handler that
// opens a modal message box does not hold the driver up: the caller waits for the effect.
// Reads are sent, with a time-out (send_or_fail).
#include "commands.h"

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <functional>
#include <map>
#include <optional>

#include "list_view.h"
#include "text_colour.h"
#include "window_facts.h"

namespace driver {

namespace {

constexpr DWORD kPollMs = 50;

long long handle_number(HWND window) { return static_cast<long long>(reinterpret_cast<intptr_t>(window)); }
HWND hwnd_of(const Request& request, const std::string& key = "hwnd") {
    return window_argument(request.required_number(key));
}

// Calls `attempt` until it finds something or timeout_ms (default 0: one attempt) has passed.
// A window that is busy while we poll counts as "not yet".
template <typename T>
T until_found(const Request& request, const std::string& what, const std::function<std::optional<T>()>& attempt) {
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(request.number_or("timeout_ms", 0));
    std::string last_error;
    for (;;) {
        try {
            if (auto found = attempt()) return *found;
            last_error.clear();
        } catch (const CommandError& error) {
            last_error = error.what();
        }
        if (GetTickCount64() >= deadline) break;
        Sleep(kPollMs);
    }
    throw CommandError("not found: " + what + (last_error.empty() ? "" : " (" + last_error + ")"));
}

std::optional<TopLevel> first(const std::vector<TopLevel>& windows) {
    if (windows.empty()) return std::nullopt;
    return windows.front();
}

// ---- top-level windows ----

bool window_matches(const Request& request, const TopLevel& window) {
    if (auto title = request.text("title"); title && utf8_to_wide(*title) != window.title) return false;
    if (auto name = request.text("class"); name && _wcsicmp(utf8_to_wide(*name).c_str(), window.class_name.c_str()))
        return false;
    if (auto pid = request.number("pid"); pid && static_cast<DWORD>(*pid) != window.pid) return false;
    if (request.flag_or("visible", false) && !window.visible) return false;
    if (auto owner = request.number("owner"); owner && handle_number(window.owner) != *owner) return false;
    return true;
}

std::vector<TopLevel> matching_windows(const Request& request) {
    std::vector<TopLevel> found;
    for (const auto& window : top_levels())
        if (window_matches(request, window)) found.push_back(window);
    return found;
}

void windows(const Request& request, JsonObject& reply) {
    std::vector<std::string> items;
    for (const auto& window : matching_windows(request)) items.push_back(to_json(window));
    reply.raw("windows", json_array(items));
}

void find_window(const Request& request, JsonObject& reply) {
    auto window = until_found<TopLevel>(request, "window", [&] { return first(matching_windows(request)); });
    reply.raw("window", to_json(window));
}

void wait_gone(const Request& request, JsonObject& reply) {
    auto hwnd = reinterpret_cast<HWND>(static_cast<intptr_t>(request.required_number("hwnd")));
    until_found<bool>(request, "the window's end",
                      [&]() -> std::optional<bool> { return IsWindow(hwnd) ? std::nullopt : std::optional(true); });
    reply.flag("gone", true);
}

void processes(const Request& request, JsonObject& reply) {
    std::wstring name = utf8_to_wide(request.required_text("name"));
    std::vector<std::string> pids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) throw CommandError("cannot list processes");
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, name.c_str()) == 0) pids.push_back(std::to_string(entry.th32ProcessID));
    CloseHandle(snapshot);
    reply.raw("pids", json_array(pids));
}

// ---- controls ----

void controls(const Request& request, JsonObject& reply) {
    std::vector<std::string> items;
    for (const auto& control : controls_of(hwnd_of(request, "window"))) items.push_back(to_json(control));
    reply.raw("controls", json_array(items));
}

bool control_matches(const Request& request, const Control& control) {
    if (auto caption = request.text("caption"); caption && utf8_to_wide(*caption) != control.text) return false;
    if (auto name = request.text("class");
        name && _wcsicmp(utf8_to_wide(*name).c_str(), control.class_name.c_str()))
        return false;
    if (auto kind = request.text("kind"); kind && *kind != control.kind) return false;
    if (auto id = request.number("id"); id && *id != control.id) return false;
    if (request.flag_or("visible", false) && !control.visible) return false;
    return true;
}

long long area(const RECT& rect) {
    return static_cast<long long>(rect.right - rect.left) * (rect.bottom - rect.top);
}

// Among the matches: the index-th (creation order), or the smallest one holding the point x,y
// (client coordinates of the top-level window), so a label wins over the group box around it.
std::optional<Control> pick_control(const Request& request, HWND window) {
    std::vector<Control> matches;
    for (auto& control : controls_of(window))
        if (control_matches(request, control)) matches.push_back(std::move(control));
    auto x = request.number("x"), y = request.number("y");
    if (x || y) {
        if (!x || !y) throw CommandError("a position needs both x and y");
        std::optional<Control> best;
        for (auto& control : matches) {
            POINT point{static_cast<LONG>(*x), static_cast<LONG>(*y)};
            if (!PtInRect(&control.rect, point)) continue;
            if (!best || area(control.rect) <= area(best->rect)) best = control;
        }
        return best;
    }
    auto index = static_cast<size_t>(request.number_or("index", 0));
    if (index >= matches.size()) return std::nullopt;
    return matches[index];
}

void find_control(const Request& request, JsonObject& reply) {
    HWND window = hwnd_of(request, "window");
    auto control = until_found<Control>(request, "control", [&] { return pick_control(request, window); });
    reply.raw("control", to_json(control));
}

void info(const Request& request, JsonObject& reply) { reply.raw("control", to_json(control_facts(hwnd_of(request)))); }

void text(const Request& request, JsonObject& reply) {
    reply.text("text", wide_to_utf8(caption_of(hwnd_of(request))));
}

void wait_text(const Request& request, JsonObject& reply) {
    HWND hwnd = hwnd_of(request);
    std::wstring wanted = utf8_to_wide(request.required_text("text"));
    bool contains = request.text("match").value_or("exact") == "contains";
    std::wstring last;
    try {
        auto found = until_found<std::wstring>(request, "text", [&]() -> std::optional<std::wstring> {
            last = caption_of(hwnd);
            bool hit = contains ? last.find(wanted) != std::wstring::npos : last == wanted;
            return hit ? std::optional(last) : std::nullopt;
        });
        reply.text("text", wide_to_utf8(found));
    } catch (const CommandError& error) {
        throw CommandError(std::string(error.what()) + "; the text is \"" + wide_to_utf8(last) + "\"");
    }
}

void set_text(const Request& request, JsonObject&) {
    std::wstring text = utf8_to_wide(request.required_text("text"));
    send_or_fail(hwnd_of(request), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

enum class Via { post, send };

Via via_of(const Request& request, Via fallback) {
    auto via = request.text("via");
    if (!via) return fallback;
    if (*via == "post") return Via::post;
    if (*via == "send") return Via::send;
    throw CommandError("via must be post or send here: " + *via);
}

void deliver(HWND hwnd, Via via, UINT message, WPARAM wparam, LPARAM lparam) {
    if (via == Via::send)
        send_or_fail(hwnd, message, wparam, lparam);
    else if (!PostMessageW(hwnd, message, wparam, lparam))
        throw CommandError("cannot post message " + std::to_string(message));
}

// One WM_CHAR per UTF-16 unit, sent by default: the text is in the box when the reply comes.
void type(const Request& request, JsonObject&) {
    HWND hwnd = hwnd_of(request);
    Via via = via_of(request, Via::send);
    for (wchar_t unit : utf8_to_wide(request.required_text("text"))) deliver(hwnd, via, WM_CHAR, unit, 1);
}

// WM_KEYDOWN and WM_KEYUP with the virtual key, posted by default: the target's message loop
// turns them into WM_CHAR as it would for a real key.
void key(const Request& request, JsonObject&) {
    HWND hwnd = hwnd_of(request);
    auto vk = static_cast<UINT>(request.required_number("vk"));
    Via via = via_of(request, Via::post);
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    deliver(hwnd, via, WM_KEYDOWN, vk, scan | 1);
    deliver(hwnd, via, WM_KEYUP, vk, scan | 1 | (LPARAM(1) << 30) | (LPARAM(1) << 31));
}

POINT centre(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

void post_mouse_click(HWND hwnd, POINT point, bool twice) {
    LPARAM at = MAKELPARAM(point.x, point.y);
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
    if (twice) {
        PostMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
    }
}

// A click through the system's input queue at a point of the window (client coordinates): the
// window under the mouse gets it, as with a real mouse.
void input_click(HWND hwnd, POINT point, bool twice) {
    ClientToScreen(hwnd, &point);
    if (!SetCursorPos(point.x, point.y)) throw CommandError("cannot move the mouse");
    INPUT inputs[4]{};
    for (auto& input : inputs) input.type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = inputs[3].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    UINT count = twice ? 4 : 2;
    if (SendInput(count, inputs, sizeof(INPUT)) != count) throw CommandError("cannot send mouse input");
}

void click_at(const Request& request, HWND hwnd, POINT point, const std::string& fallback) {
    std::string via = request.text("via").value_or(fallback);
    bool twice = request.flag_or("double", false);
    if (via == "mouse")
        post_mouse_click(hwnd, point, twice);
    else if (via == "input")
        input_click(hwnd, point, twice);
    else
        throw CommandError("via must be mouse or input here: " + via);
}

// BM_CLICK (posted or sent), or a mouse click in the middle of the control.
void click(const Request& request, JsonObject&) {
    HWND hwnd = hwnd_of(request);
    std::string via = request.text("via").value_or("post");
    if (via == "post" || via == "send") {
        deliver(hwnd, via == "send" ? Via::send : Via::post, BM_CLICK, 0, 0);
        return;
    }
    RECT rect{};
    GetClientRect(hwnd, &rect);
    click_at(request, hwnd, centre(rect), via);
}

// A key pressed on the keyboard: through the system's input queue to the focused window, and
// seen by global hotkeys (RegisterHotKey) as a real key press is.
void key_input(const Request& request, JsonObject&) {
    auto vk = static_cast<WORD>(request.required_number("vk"));
    INPUT inputs[2]{};
    for (auto& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    if (SendInput(2, inputs, sizeof(INPUT)) != 2) throw CommandError("cannot send keyboard input");
}

// Any message, for what has no command of its own (a tray-icon callback, WM_HOTKEY); "send"
// gives the window's result. The parameters are numbers: no pointer crosses processes here.
void message(const Request& request, JsonObject& reply) {
    HWND hwnd = hwnd_of(request);
    auto id = static_cast<UINT>(request.required_number("message"));
    auto wparam = static_cast<WPARAM>(request.number_or("wparam", 0));
    auto lparam = static_cast<LPARAM>(request.number_or("lparam", 0));
    if (via_of(request, Via::post) == Via::send)
        reply.number("result", send_or_fail(hwnd, id, wparam, lparam));
    else
        deliver(hwnd, Via::post, id, wparam, lparam);
}

void checked(const Request& request, JsonObject& reply) {
    reply.number("checked", send_or_fail(hwnd_of(request), BM_GETCHECK, 0, 0));
}

// The keyboard focus of the thread that owns the window.
void focus(const Request& request, JsonObject& reply) {
    DWORD thread = GetWindowThreadProcessId(hwnd_of(request), nullptr);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (!GetGUIThreadInfo(thread, &gui)) throw CommandError("cannot read the thread's input state");
    reply.number("active", handle_number(gui.hwndActive));
    if (gui.hwndFocus)
        reply.raw("focus", to_json(control_facts(gui.hwndFocus)));
    else
        reply.null("focus");
}

// ---- list views ----

void list_view(const Request& request, JsonObject& reply) {
    auto contents = read_list_view(hwnd_of(request));
    std::vector<std::string> columns, rows, selected;
    for (const auto& column : contents.columns) columns.push_back(json_string(wide_to_utf8(column)));
    for (const auto& row : contents.rows) {
        std::vector<std::string> cells;
        for (const auto& cell : row) cells.push_back(json_string(wide_to_utf8(cell)));
        rows.push_back(json_array(cells));
    }
    for (int row : contents.selected) selected.push_back(std::to_string(row));
    reply.raw("columns", json_array(columns)).raw("rows", json_array(rows)).raw("selected", json_array(selected));
}

void click_row(const Request& request, JsonObject&) {
    HWND list = hwnd_of(request);
    click_at(request, list, centre(row_rect(list, static_cast<int>(request.required_number("row")))), "mouse");
}

void text_colour_command(const Request& request, JsonObject& reply) {
    std::string method = request.text("method").value_or("pixels");
    if (method != "pixels" && method != "ctlcolor") throw CommandError("method must be pixels or ctlcolor: " + method);
    reply.number("colour",
                 text_colour(hwnd_of(request), method == "pixels" ? ColourMethod::pixels : ColourMethod::ctlcolor));
}

// ---- message boxes ----

std::string message_box_json(const TopLevel& box) {
    HWND text = GetDlgItem(box.hwnd, 0xFFFF);  // the message's static control
    std::vector<std::string> buttons;
    for (const auto& control : controls_of(box.hwnd))
        if (control.kind == "button")
            buttons.push_back(JsonObject()
                                  .number("hwnd", handle_number(control.hwnd))
                                  .number("id", control.id)
                                  .text("text", wide_to_utf8(control.text))
                                  .str());
    return JsonObject()
        .number("hwnd", handle_number(box.hwnd))
        .text("title", wide_to_utf8(box.title))
        .text("text", text ? wide_to_utf8(caption_of(text)) : std::string())
        .number("owner", handle_number(box.owner))
        .number("pid", box.pid)
        .raw("buttons", json_array(buttons))
        .str();
}

std::vector<TopLevel> matching_message_boxes(const Request& request) {
    std::vector<TopLevel> boxes;
    for (const auto& window : matching_windows(request))
        if (window.class_name == L"#32770" && window.visible) boxes.push_back(window);
    return boxes;
}

void message_boxes(const Request& request, JsonObject& reply) {
    std::vector<std::string> items;
    for (const auto& box : matching_message_boxes(request)) items.push_back(message_box_json(box));
    reply.raw("message_boxes", json_array(items));
}

void find_message_box(const Request& request, JsonObject& reply) {
    auto box = until_found<TopLevel>(request, "message box", [&] { return first(matching_message_boxes(request)); });
    reply.raw("message_box", message_box_json(box));
}

// Presses a dialog's button by id (default IDOK) or by caption.
void dismiss(const Request& request, JsonObject&) {
    HWND box = hwnd_of(request);
    auto caption = request.text("button");
    int id = static_cast<int>(request.number_or("id", IDOK));
    for (const auto& control : controls_of(box)) {
        bool hit = caption ? control.text == utf8_to_wide(*caption) : control.id == id;
        if (hit && control.kind == "button") {
            deliver(control.hwnd, Via::post, BM_CLICK, 0, 0);
            return;
        }
    }
    if (caption) throw CommandError("no button " + *caption);
    deliver(box, Via::post, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void close(const Request& request, JsonObject&) { deliver(hwnd_of(request), Via::post, WM_CLOSE, 0, 0); }

void ping(const Request&, JsonObject& reply) { reply.number("pid", GetCurrentProcessId()); }

using Handler = void (*)(const Request&, JsonObject&);

const std::map<std::string, Handler>& handlers() {
    static const std::map<std::string, Handler> table = {
        {"ping", ping},
        {"windows", windows},
        {"find_window", find_window},
        {"wait_gone", wait_gone},
        {"processes", processes},
        {"controls", controls},
        {"find_control", find_control},
        {"info", info},
        {"text", text},
        {"wait_text", wait_text},
        {"set_text", set_text},
        {"type", type},
        {"key", key},
        {"key_input", key_input},
        {"message", message},
        {"click", click},
        {"checked", checked},
        {"focus", focus},
        {"list_view", list_view},
        {"click_row", click_row},
        {"text_colour", text_colour_command},
        {"message_boxes", message_boxes},
        {"find_message_box", find_message_box},
        {"dismiss", dismiss},
        {"close", close},
    };
    return table;
}

}  // namespace

bool is_quit(const Request& request) { return request.verb() == "quit"; }

std::string answer(const Request& request) {
    try {
        auto handler = handlers().find(request.verb());
        if (handler == handlers().end()) throw CommandError("unknown command " + request.verb());
        JsonObject reply;
        reply.flag("ok", true);
        handler->second(request, reply);
        return reply.str();
    } catch (const std::exception& error) {
        return JsonObject().flag("ok", false).text("error", error.what()).str();
    }
}

}  // namespace driver
