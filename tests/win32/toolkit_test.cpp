// The Win32 toolkit under Wine: real windows on the test's virtual display.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform_faces.h"
#include "platform/win32/win32_toolkit.h"

namespace mervolt {
namespace {

enum : ControlId { frame, inner_frame, caption, name_box, secret_box, go, remember, r1, r2, r3, choice, lines };
constexpr std::array<ComboItem, 3> choice_items{{{"F1", 112}, {"F2", 113}, {"十二", 123}}};
constexpr std::array<ColumnDesign, 2> line_columns{{{"ser", 1}, {"线路名称", 180}}};
constexpr std::array<ControlDesign, 12> rows{{
    {frame, "frame", ControlKind::group_box, in_window, {-3, -1, 363, 200}, "分组"},
    {inner_frame, "inner_frame", ControlKind::group_box, frame, {10, 20, 200, 100}},
    {caption, "caption", ControlKind::label, inner_frame, {32, 11, 56, 32}, "帐  号："},
    {name_box, "name_box", ControlKind::edit, frame, {99, 14, 192, 32}},
    {secret_box, "secret_box", ControlKind::edit, frame, {99, 71, 192, 32}, "", password},
    {go, "go", ControlKind::button, in_window, {120, 215, 104, 40}, "登录"},
    {remember, "remember", ControlKind::check_box, in_window, {254, 228, 88, 24}, "记住密码", starts_checked},
    {r1, "r1", ControlKind::radio_button, in_window, {10, 260, 56, 24}, "PPTP", group_start | starts_checked},
    {r2, "r2", ControlKind::radio_button, in_window, {70, 260, 56, 24}, "L2tp"},
    {r3, "r3", ControlKind::radio_button, in_window, {130, 260, 56, 24}, "SSTP"},
    {choice, "choice", ControlKind::combo_box, in_window, {10, 290, 120, 24}, "国内线路", no_flags, {}, {}, choice_items},
    {lines, "lines", ControlKind::list_view, in_window, {150, 290, 200, 100}, "", no_flags, {}, line_columns},
}};
constexpr std::array<TimerDesign, 1> timers{{{7, "quick", 20}}};
constexpr WindowDesign design{"toolkit_test", "测试窗口", {50, 50, 400, 440}, rows, timers};

struct RecordingEvents : WindowEvents {
    void on_created(WindowId) override { ++created; }
    void on_destroying() override { ++destroying; }
    void on_control_event(const ControlEvent& event) override {
        events.push_back(event);
        if (on_event) on_event(event);
    }
    void on_timer(TimerId timer) override { timer_ticks.push_back(timer); }
    int created = 0, destroying = 0;
    std::vector<ControlEvent> events;
    std::vector<TimerId> timer_ticks;
    std::function<void(const ControlEvent&)> on_event;
};

std::wstring wide_text_of(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetWindowTextW(hwnd, buffer, 256);
    return buffer;
}

std::wstring class_of(HWND hwnd) {
    wchar_t buffer[64] = {};
    GetClassNameW(hwnd, buffer, 64);
    return buffer;
}

class Win32ToolkitTest : public testing::Test {
protected:
    ~Win32ToolkitTest() override {
        if (toolkit.exists(id)) toolkit.destroy(id);
        // The last window's end posts the quit that would end a message loop; take it here.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    void load() {
        id = toolkit.load_window(design, events);
        ASSERT_NE(id, 0u);
    }
    HWND handle(ControlId control = in_window) { return toolkit.native_handle(id, control); }
    // Serves messages until the condition holds or five seconds have passed.
    bool serve_until(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!condition() && std::chrono::steady_clock::now() < deadline) {
            toolkit.serve_pending();
            Sleep(1);
        }
        return condition();
    }

    Win32Toolkit toolkit{platform_text_codec(), GetModuleHandleW(nullptr)};
    RecordingEvents events;
    WindowId id = 0;
};

TEST_F(Win32ToolkitTest, EveryControlStandsAtItsDesignedPlaceWithItsCaption) {
    load();
    EXPECT_EQ(events.created, 1);
    EXPECT_EQ(wide_text_of(handle()), L"测试窗口");
    EXPECT_TRUE(IsWindowVisible(handle()));
    RECT frame_rect{};
    GetWindowRect(handle(), &frame_rect);
    EXPECT_EQ(frame_rect.right - frame_rect.left, 400);
    EXPECT_EQ(frame_rect.bottom - frame_rect.top, 440);

    const struct {
        ControlId control;
        const wchar_t* window_class;
        const wchar_t* caption;
    } cases[] = {
        {frame, L"Button", L"分组"}, {inner_frame, L"Button", L""}, {caption, L"Static", L"帐  号："},
        {name_box, L"Edit", L""}, {secret_box, L"Edit", L""}, {go, L"Button", L"登录"},
        {remember, L"Button", L"记住密码"}, {r1, L"Button", L"PPTP"}, {r3, L"Button", L"SSTP"},
        {lines, L"SysListView32", L""},
    };
    for (const auto& c : cases) {
        HWND control = handle(c.control);
        ASSERT_NE(control, nullptr) << rows[c.control].name;
        EXPECT_EQ(class_of(control), c.window_class) << rows[c.control].name;
        EXPECT_EQ(wide_text_of(control), c.caption) << rows[c.control].name;
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(HWND_DESKTOP, handle(), reinterpret_cast<POINT*>(&rect), 2);
        const Rect expected = client_rect_of(design, c.control);
        EXPECT_EQ((Rect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}), expected)
            << rows[c.control].name;
    }
    // A combo box is as high as its font makes it; its place and width are the design's.
    RECT combo{};
    GetWindowRect(handle(choice), &combo);
    MapWindowPoints(HWND_DESKTOP, handle(), reinterpret_cast<POINT*>(&combo), 2);
    EXPECT_EQ(combo.left, 10);
    EXPECT_EQ(combo.top, 290);
    EXPECT_EQ(combo.right - combo.left, 120);
    EXPECT_EQ(toolkit.text(id, choice), "国内线路");
}

TEST_F(Win32ToolkitTest, InitialStatesPasswordModeAndFont) {
    load();
    EXPECT_TRUE(toolkit.checked(id, remember));
    EXPECT_TRUE(toolkit.checked(id, r1));
    EXPECT_FALSE(toolkit.checked(id, r2));
    EXPECT_EQ(SendMessageW(handle(secret_box), EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_EQ(SendMessageW(handle(name_box), EM_GETPASSWORDCHAR, 0, 0), 0);
    EXPECT_EQ(GetFocus(), handle(name_box)) << "the first control that takes the focus has it";

    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(handle(caption), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"WenQuanYi Micro Hei") << "Wine's prefix has no YaHei; the CJK face it finds";
}

TEST_F(Win32ToolkitTest, TextsRoundTripInTheLocalCodePage) {
    load();
    for (ControlId control : {name_box, caption, go}) {
        toolkit.set_text(id, control, "北京1+甲 ok");
        EXPECT_EQ(toolkit.text(id, control), "北京1+甲 ok") << rows[control].name;
    }
    EXPECT_EQ(wide_text_of(handle(caption)), L"北京1+甲 ok");
    EXPECT_EQ(toolkit.text(id, in_window), "") << "not a control";
}

TEST_F(Win32ToolkitTest, ClicksAndKeysReachTheHandlers) {
    load();
    SendMessageW(handle(go), BM_CLICK, 0, 0);
    SendMessageW(handle(remember), BM_CLICK, 0, 0);
    ASSERT_EQ(events.events.size(), 2u);
    EXPECT_TRUE(events.events[0].is(go, EventKind::clicked));
    EXPECT_TRUE(events.events[1].is(remember, EventKind::clicked));
    EXPECT_FALSE(toolkit.checked(id, remember)) << "the box ticks itself off before its handler runs";

    toolkit.set_text(id, name_box, "abc");
    SendMessageW(handle(name_box), EM_SETSEL, 0, 0);
    SendMessageW(handle(name_box), WM_KEYDOWN, VK_END, 0);
    ASSERT_EQ(events.events.size(), 3u);
    EXPECT_TRUE(events.events[2].is(name_box, EventKind::key_pressed));
    EXPECT_EQ(events.events[2].argument, VK_END);
    DWORD start = 0, end = 0;
    SendMessageW(handle(name_box), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 3u) << "the key still reached the box";

    SendMessageW(handle(name_box), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), handle(secret_box)) << "Tab moves on";
}

TEST_F(Win32ToolkitTest, SettingACheckRaisesNoClickAndARadioDeselectsItsGroup) {
    load();
    toolkit.set_checked(id, r3, true);
    EXPECT_TRUE(toolkit.checked(id, r3));
    EXPECT_FALSE(toolkit.checked(id, r1));
    toolkit.set_checked(id, remember, false);
    EXPECT_FALSE(toolkit.checked(id, remember));
    EXPECT_TRUE(events.events.empty());
}

TEST_F(Win32ToolkitTest, EnabledFocusAndTextColour) {
    load();
    toolkit.set_enabled(id, go, false);
    EXPECT_FALSE(IsWindowEnabled(handle(go)));
    toolkit.set_enabled(id, go, true);
    EXPECT_TRUE(IsWindowEnabled(handle(go)));
    toolkit.focus(id, secret_box);
    EXPECT_EQ(GetFocus(), handle(secret_box));

    HDC dc = CreateCompatibleDC(nullptr);
    const auto colour_drawn = [&] {
        SetTextColor(dc, RGB(1, 2, 3));
        SendMessageW(handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(handle(caption)));
        return GetTextColor(dc);
    };
    EXPECT_EQ(colour_drawn(), RGB(1, 2, 3)) << "no colour of its own yet";
    toolkit.set_text_colour(id, caption, colour_red);
    EXPECT_EQ(colour_drawn(), RGB(255, 0, 0));
    toolkit.set_text_colour(id, caption, colour_black);
    EXPECT_EQ(colour_drawn(), RGB(0, 0, 0));
    DeleteDC(dc);
}

TEST_F(Win32ToolkitTest, ListViewRows) {
    load();
    EXPECT_EQ(toolkit.row_count(id, lines), 0);
    EXPECT_EQ(toolkit.selected_row(id, lines), -1);
    for (const char* name : {"北京1", "上海2", "北京1"}) {
        const int row = toolkit.append_row(id, lines);
        toolkit.set_cell(id, lines, row, 0, "node" + std::to_string(row));
        toolkit.set_cell(id, lines, row, 1, name);
    }
    EXPECT_EQ(toolkit.row_count(id, lines), 3);
    EXPECT_EQ(toolkit.cell(id, lines, 1, 1), "上海2");
    EXPECT_EQ(toolkit.cell(id, lines, 2, 0), "node2");
    EXPECT_EQ(toolkit.cell(id, lines, 5, 0), "") << "no such row";
    EXPECT_EQ(toolkit.find_row(id, lines, 1, "北京1"), 0) << "the first match";
    EXPECT_EQ(toolkit.find_row(id, lines, 1, "北京"), -1) << "exact texts only";

    LVITEMW state{};
    state.stateMask = state.state = LVIS_SELECTED;
    SendMessageW(handle(lines), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(toolkit.selected_row(id, lines), 1);
    toolkit.delete_all_rows(id, lines);
    EXPECT_EQ(toolkit.row_count(id, lines), 0);
    EXPECT_EQ(toolkit.selected_row(id, lines), -1);
}

TEST_F(Win32ToolkitTest, ComboItemsAndSelection) {
    load();
    EXPECT_EQ(toolkit.item_count(id, choice), 3);
    EXPECT_EQ(toolkit.item_text(id, choice, 2), "十二");
    EXPECT_EQ(toolkit.item_value(id, choice, 2), 123);
    EXPECT_EQ(toolkit.item_value(id, choice, 3), 0) << "no such item";
    EXPECT_TRUE(toolkit.select_item(id, choice, "F2"));
    EXPECT_EQ(SendMessageW(handle(choice), CB_GETCURSEL, 0, 0), 1);
    EXPECT_FALSE(toolkit.select_item(id, choice, "F3"));
    toolkit.clear_selection(id, choice);
    EXPECT_EQ(SendMessageW(handle(choice), CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST_F(Win32ToolkitTest, VisibilityPlacementAndTimers) {
    load();
    toolkit.set_visible(id, false);
    EXPECT_FALSE(toolkit.visible(id));
    toolkit.set_visible(id, true);
    toolkit.set_placement(id, Placement::minimised);
    EXPECT_TRUE(IsIconic(handle()));
    toolkit.set_placement(id, Placement::restored_centred);
    EXPECT_FALSE(IsIconic(handle()));
    RECT frame_rect{}, work{};
    GetWindowRect(handle(), &frame_rect);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((frame_rect.left + frame_rect.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((frame_rect.top + frame_rect.bottom) / 2, (work.top + work.bottom) / 2, 1);

    EXPECT_TRUE(serve_until([&] { return events.timer_ticks.size() >= 2; }));
    EXPECT_EQ(events.timer_ticks.front(), 7);
}

TEST_F(Win32ToolkitTest, DestroyingTheLastWindowEndsTheLoopButTheEventPumpLeavesTheQuitToIt) {
    load();
    toolkit.destroy(id);
    EXPECT_EQ(events.destroying, 1);
    EXPECT_FALSE(toolkit.exists(id));
    EXPECT_EQ(toolkit.text(id, name_box), "");
    toolkit.serve_pending();
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit is still waiting";
    EXPECT_EQ(toolkit.run_message_loop(), 0) << "no window left: the loop returns at once";
}

TEST_F(Win32ToolkitTest, AModalDialogBlocksItsOwnerUntilItIsDestroyed) {
    load();
    // The dialog's first timer tick, served by the dialog's own loop, looks at the owner and
    // closes the dialog.
    struct ClosesOnItsTimer : WindowEvents {
        void on_created(WindowId window) override { self = window; }
        void on_timer(TimerId) override {
            owner_was_blocked = !IsWindowEnabled(owner);
            toolkit->destroy(self);
        }
        Win32Toolkit* toolkit = nullptr;
        HWND owner = nullptr;
        WindowId self = 0;
        bool owner_was_blocked = false;
    } dialog_events;
    dialog_events.toolkit = &toolkit;
    dialog_events.owner = handle();
    static constexpr std::array<TimerDesign, 1> dialog_timers{{{1, "close", 10}}};
    static constexpr WindowDesign dialog_design{"toolkit_test_dialog", "对话框", {80, 80, 200, 120}, {}, dialog_timers};
    toolkit.run_modal(dialog_design, dialog_events, id);
    EXPECT_TRUE(dialog_events.owner_was_blocked);
    EXPECT_FALSE(toolkit.exists(dialog_events.self));
    EXPECT_TRUE(IsWindowEnabled(handle())) << "the owner takes input again";
    EXPECT_TRUE(toolkit.exists(id));
}

}  // namespace
}  // namespace mervolt
