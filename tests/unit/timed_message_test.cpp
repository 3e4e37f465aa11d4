#include "service/timed_message.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_message_box.h"
#include "fakes/memory_file_system.h"

namespace mervolt {
namespace {

class TimedMessageTest : public testing::Test {
protected:
    TimedMessageTest() { files.name = "客户端.exe"; }
    int show(std::string_view text, std::uint32_t style = 0, std::string_view title = {}, NativeWindow owner = 0,
             std::int32_t timeout_ms = 0) {
        return show_timed_message({boxes, files}, text, style, title, owner, timeout_ms);
    }
    const FakeMessageBox::Shown& last() const { return boxes.shown.back(); }

    FakeMessageBox boxes;
    MemoryFileSystem files;
};

TEST_F(TimedMessageTest, DefaultsFillEverythingButTheText) {
    show("服务器连接失败");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(last().text, u"服务器连接失败" + std::u16string(1, u'\0')) << "UTF-16 with its terminating zero";
    EXPECT_EQ(last().title, u"客户端.exe" + std::u16string(1, u'\0')) << "the executable's file name";
    EXPECT_EQ(last().type, 64u + 65536u) << "information icon, brought to the foreground";
    EXPECT_EQ(last().timeout_ms, 0xFFFFFFFFu) << "no time-out";
    EXPECT_EQ(last().language, 0);
    EXPECT_EQ(last().owner, 0u) << "no active window";
}

TEST_F(TimedMessageTest, GivenParametersArePassedOn) {
    const struct {
        std::uint32_t style;
        std::string title;
        std::int32_t timeout_ms;
        std::uint32_t type;
        std::u16string wide_title;
        std::uint32_t system_timeout;
    } cases[] = {
        {0, "报错提示", 10000, 65600, u"报错提示", 10000},
        {16 | 1, "", 1, 16 + 1 + 65536, u"客户端.exe", 1},
        {64 | 65536, "t", -5, 64 + 65536, u"t", 0xFFFFFFFFu},  // the foreground flag is not added twice
    };
    for (const auto& c : cases) {
        show("x", c.style, c.title, 0, c.timeout_ms);
        EXPECT_EQ(last().type, c.type) << c.title;
        EXPECT_EQ(last().title, c.wide_title + std::u16string(1, u'\0')) << c.title;
        EXPECT_EQ(last().timeout_ms, c.system_timeout) << c.title;
    }
}

TEST_F(TimedMessageTest, AnEmptyTextIsAnEmptyWideString) {
    show("");
    EXPECT_EQ(last().text, std::u16string(1, u'\0'));
}

TEST_F(TimedMessageTest, ResultIsTheButtonMinusOne) {
    const struct {
        int answer, result;
    } cases[] = {{1, 0}, {2, 1}, {32000, message_timed_out}, {0, -1}};
    for (const auto& c : cases) {
        boxes.answer = c.answer;
        EXPECT_EQ(show("x"), c.result) << c.answer;
    }
}

TEST_F(TimedMessageTest, TheOwnerIsTheTopLevelWindowOfTheGivenOrActiveOne) {
    // 3 is a control in 2, a frame in the top-level window 1 (whose parent is the desktop);
    // 7 names itself as its parent; 9 has no parent at all.
    boxes.parents = {{3, 2}, {2, 1}, {1, boxes.desktop}, {7, 7}};
    const struct {
        NativeWindow given, active, owner;
    } cases[] = {
        {3, 0, 1}, {2, 0, 1}, {1, 0, 1},  // climbs from the given window
        {0, 3, 1},                        // or from the active one
        {0, 0, 0},                        // none at all
        {7, 0, 7}, {9, 0, 9},
    };
    for (const auto& c : cases) {
        boxes.active = c.active;
        show("x", 0, {}, c.given);
        EXPECT_EQ(last().owner, c.owner) << "given " << c.given << ", active " << c.active;
    }
}

}  // namespace
}  // namespace mervolt
