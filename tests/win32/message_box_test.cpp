// The real message box under Wine, on the test's virtual display. Nobody answers the boxes: they
// must close by their time-out, which Wine's MessageBoxTimeoutW alone never does.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/platform_faces.h"
#include "platform/win32/win32_message_box.h"
#include "service/timed_message.h"

namespace mervolt {
namespace {

struct SeenBox {
    std::wstring title, text;
    HWND owner;
};

// Filled by a thread timer that runs inside the open box's message loop.
std::vector<SeenBox> seen;

BOOL CALLBACK note_box(HWND hwnd, LPARAM) {
    wchar_t name[16] = {}, title[128] = {}, text[128] = {};
    GetClassNameW(hwnd, name, 16);
    if (lstrcmpW(name, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    GetWindowTextW(hwnd, title, 128);
    GetDlgItemTextW(hwnd, 0xFFFF, text, 128);
    seen.push_back({title, text, GetWindow(hwnd, GW_OWNER)});
    return TRUE;
}

void CALLBACK look_at_open_boxes(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    EnumThreadWindows(GetCurrentThreadId(), note_box, 0);
}

class MessageBoxTest : public testing::Test {
protected:
    MessageBoxTest() { seen.clear(); }
    ~MessageBoxTest() override {
        if (owner) DestroyWindow(owner);
    }
    MessageBoxes boxes() { return {face, platform_file_system()}; }

    Win32MessageBox face;
    HWND owner = nullptr;
};

TEST_F(MessageBoxTest, ABoxNobodyAnswersClosesAtItsTimeOutWithTheTimeOutResult) {
    SetTimer(nullptr, 0, 100, look_at_open_boxes);
    const auto start = std::chrono::steady_clock::now();
    const int result = show_timed_message(boxes(), "获取数据异常！！！", 0, "报错提示", 0, 700);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result, 31999);
    EXPECT_GE(took, std::chrono::milliseconds(650));
    ASSERT_EQ(seen.size(), 1u) << "the box was open while it waited";
    EXPECT_EQ(seen[0].title, L"报错提示");
    EXPECT_EQ(seen[0].text, L"获取数据异常！！！");
}

TEST_F(MessageBoxTest, DefaultTitleIsTheExecutableAndTheOwnerTheTopLevelWindowOfAControl) {
    owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                            nullptr, nullptr, nullptr);
    HWND frame = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0, 200, 100, owner,
                                 nullptr, nullptr, nullptr);
    HWND control = CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, frame, nullptr, nullptr,
                                   nullptr);
    SetTimer(nullptr, 0, 100, look_at_open_boxes);
    show_timed_message(boxes(), "服务器连接失败", 0, {}, reinterpret_cast<NativeWindow>(control), 500);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, L"platform_tests.exe");
    EXPECT_EQ(seen[0].owner, owner);
}

// A box shown by a handler while another box is open ends by its own time-out, and the outer one
// by its own: each call's timer closes its own box.
TEST_F(MessageBoxTest, NestedBoxesEachCloseAtTheirOwnTimeOut) {
    static MessageBoxes* nested_boxes = nullptr;
    static int inner_result = 0;
    static std::chrono::steady_clock::time_point inner_closed;
    MessageBoxes here = boxes();
    nested_boxes = &here;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        inner_result = show_timed_message(*nested_boxes, "inner", 0, "inner", 0, 300);
        inner_closed = std::chrono::steady_clock::now();
    });
    const int outer_result = show_timed_message(boxes(), "outer", 0, "outer", 0, 1200);
    const auto outer_closed = std::chrono::steady_clock::now();
    EXPECT_EQ(inner_result, 31999);
    EXPECT_EQ(outer_result, 31999);
    EXPECT_GT(outer_closed - inner_closed, std::chrono::milliseconds(300)) << "the inner box closed first";
}

}  // namespace
}  // namespace mervolt
