#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <optional>

#include "fakes/fake_toolkit.h"
#include "fakes/memory_file_system.h"
#include "support/emulated_profile_file.h"
#include "support/runtime_fixture.h"

namespace mervolt {
namespace {

using M = MainWindow::Control;

class MainWindowTest : public VirtualRuntimeTest {
protected:
    void open() {
        window.emplace(MainServices{toolkit, state, config}, [this] { ++closings; });
        window->load();
        id = window->id();
    }
    bool ticked(ControlId control) const { return toolkit.control(id, control).checked; }

    MemoryFileSystem files;
    EmulatedProfileFile profile{files};
    ConfigStore config{profile, files};
    ClientState state;
    FakeToolkit toolkit{pump};
    std::optional<MainWindow> window;
    WindowId id = 0;
    int closings = 0;
};

TEST_F(MainWindowTest, TheDesignIsConsistentAndOpensWithItsDesignedChoices) {
    EXPECT_TRUE(design_is_consistent(MainWindow::design()));
    open();
    EXPECT_EQ(toolkit.window(id).design->title, "Mervolt客户端");
    EXPECT_TRUE(toolkit.themed);
    EXPECT_TRUE(ticked(M::pptp));
    EXPECT_FALSE(ticked(M::l2tp) || ticked(M::sstp));
    EXPECT_TRUE(ticked(M::固定));
    EXPECT_FALSE(ticked(M::顺序) || ticked(M::随机));
    for (ControlId box : {M::定时_选择框2, M::隐藏_选择框1, M::掉线断网_选择框1, M::掉线重拨_选择框1})
        EXPECT_FALSE(ticked(box)) << MainWindow::design().controls[box].name;
    EXPECT_EQ(toolkit.text(id, M::组合框1), "国内线路");
    EXPECT_EQ(toolkit.text(id, M::当前节点), "") << "no config.ini: the designed caption";
    EXPECT_EQ(state.current_node, "");
    EXPECT_GE(clock.elapsed_ms(), 10) << "the creation waits with events served";
}

TEST_F(MainWindowTest, SavedOptionsApplyWhenConfigIniExists) {
    const struct {
        std::string config_ini;
        bool hide, timed;
        std::string node;
    } cases[] = {
        {"[config]\r\nyingcang=1\r\ndingshi=1\r\nserver=10.0.0.7\r\n", true, true, "10.0.0.7"},
        {"[config]\r\nyingcang= 1 \r\ndingshi=0\r\n", true, false, "全国混拨"},  // the reader drops the blanks
        {"[config]\r\nyingcang=yes\r\ndingshi=11\r\nserver=\r\n", false, false, ""},
        {"[config]\r\n", false, false, "全国混拨"},
    };
    for (const auto& c : cases) {
        files.files[files.directory + "\\config.ini"] = c.config_ini;
        open();
        EXPECT_EQ(ticked(M::隐藏_选择框1), c.hide) << c.config_ini;
        EXPECT_EQ(ticked(M::定时_选择框2), c.timed) << c.config_ini;
        EXPECT_EQ(toolkit.text(id, M::当前节点), c.node) << c.config_ini;
        EXPECT_EQ(state.current_node, c.node) << c.config_ini;
    }
}

TEST_F(MainWindowTest, ShowAccountFillsTheUserPanelAsGiven) {
    open();
    window->show_account("2031-01-01", "", "名字 ");
    EXPECT_EQ(toolkit.text(id, M::到期时间_标签10), "2031-01-01");
    EXPECT_EQ(toolkit.text(id, M::套餐_标签9), "");
    EXPECT_EQ(toolkit.text(id, M::用户名_标签8), "名字 ");
    EXPECT_EQ(toolkit.control(id, M::到期时间_标签10).colour, colour_black);
}

}  // namespace
}  // namespace mervolt
