#include "ui/main_window.h"

#include <array>

#include "support/delay.h"
#include "support/support_runtime.h"
#include "ui/expiry_colour.h"

namespace mervolt {

namespace {

using C = MainWindow::Control;
using T = MainWindow::Timer;
using K = ControlKind;

// The address columns are one pixel wide: the user sees name and description, the dialer reads
// the address by column.
constexpr std::array<ColumnDesign, 4> line_columns{{{"id", 1}, {"ser", 1}, {"线路名称", 180}, {"线路说明", 250}}};

constexpr std::array<ControlDesign, 40> controls{{
    {C::分组框2, "分组框2", K::group_box, in_window, {6, -8, 1032, 92}},
    {C::图片框1, "图片框1", K::picture_box, C::分组框2, {8, 6, 776, 83}, {}, no_flags, "MAIN_BANNER"},
    {C::分组框1, "分组框1", K::group_box, in_window, {8, 86, 504, 528}, "选择线路"},
    {C::组合框1, "组合框1", K::combo_box, in_window, {24, 98, 120, 40}, "国内线路"},
    {C::搜索编辑框1, "搜索编辑框1", K::edit, in_window, {152, 96, 176, 24}},
    {C::搜索_按钮2, "搜索_按钮2", K::button, C::分组框1, {327, 12, 72, 33}, "搜索"},
    {C::更新列表, "更新列表", K::button, C::分组框1, {414, 12, 72, 33}, "更新列表"},
    {C::超级列表框1, "超级列表框1", K::list_view, in_window, {24, 134, 456, 400}, {}, no_flags, {}, line_columns},
    {C::分组框8, "分组框8", K::group_box, C::分组框1, {16, 464, 480, 56}, "连接状态："},
    {C::标签4, "标签4", K::label, C::分组框1, {24, 488, 463, 25}},
    {C::分组框5, "分组框5", K::group_box, in_window, {519, 95, 265, 88}, "用户信息"},
    {C::用户名称_标签5, "用户名称_标签5", K::label, C::分组框5, {9, 16, 56, 16}, "用户名称:"},
    {C::用户名_标签8, "用户名_标签8", K::label, C::分组框5, {78, 16, 104, 16}},
    {C::套餐名称_标签6, "套餐名称_标签6", K::label, C::分组框5, {9, 39, 56, 16}, "套餐名称:"},
    {C::套餐_标签9, "套餐_标签9", K::label, C::分组框5, {78, 41, 104, 16}},
    {C::到期时间_标签7, "到期时间_标签7", K::label, C::分组框5, {9, 63, 56, 16}, "到期时间:"},
    {C::到期时间_标签10, "到期时间_标签10", K::label, C::分组框5, {78, 63, 171, 16}},
    {C::高级设置按钮, "高级设置按钮", K::button, C::分组框5, {201, 8, 64, 24}, "高级设置"},
    {C::分组框4, "分组框4", K::group_box, in_window, {519, 191, 265, 128}, "会员公告"},
    {C::标签3, "标签3", K::label, in_window, {519, 331, 64, 24}, "当前节点："},
    {C::分组框3, "分组框3", K::group_box, in_window, {578, 317, 206, 48}},
    {C::当前节点, "当前节点", K::label, C::分组框3, {7, 13, 176, 24}},
    {C::标签2, "标签2", K::label, in_window, {519, 378, 65, 24}, "连接协议："},
    {C::分组框6, "分组框6", K::group_box, in_window, {578, 362, 206, 48}},
    {C::pptp, "pptp", K::radio_button, in_window, {592, 377, 56, 24}, "PPTP", group_start | starts_checked},
    {C::l2tp, "l2tp", K::radio_button, in_window, {647, 378, 56, 24}, "L2tp"},
    {C::sstp, "sstp", K::radio_button, in_window, {703, 379, 56, 24}, "SSTP"},
    {C::标签1, "标签1", K::label, in_window, {519, 419, 57, 24}, "换线模式："},
    {C::分组框7, "分组框7", K::group_box, in_window, {578, 409, 206, 48}},
    {C::顺序, "顺序", K::radio_button, C::分组框7, {8, 16, 48, 24}, "顺序", group_start},
    {C::固定, "固定", K::radio_button, C::分组框7, {68, 16, 56, 24}, "固定", starts_checked},
    {C::随机, "随机", K::radio_button, C::分组框7, {128, 16, 48, 24}, "随机"},
    {C::定时_选择框2, "定时_选择框2", K::check_box, in_window, {537, 457, 99, 30}, "定时换线"},
    {C::隐藏_选择框1, "隐藏_选择框1", K::check_box, in_window, {678, 457, 75, 30}, "成功隐藏"},
    {C::掉线断网_选择框1, "掉线断网_选择框1", K::check_box, in_window, {537, 490, 88, 30}, "掉线断网"},
    {C::掉线重拨_选择框1, "掉线重拨_选择框1", K::check_box, in_window, {678, 489, 70, 30}, "掉线重连"},
    {C::连接_按钮1, "连接_按钮1", K::button, in_window, {530, 523, 96, 40}, "连接"},
    {C::VPN_挂断拨号_按钮4, "VPN_挂断拨号_按钮4", K::button, in_window, {680, 523, 96, 40}, "断开"},
    {C::分组框9, "分组框9", K::group_box, in_window, {520, 568, 264, 37}},
    {C::IP归属_标签5, "IP归属_标签5", K::label, in_window, {530, 577, 242, 20}},
}};

constexpr std::array<TimerDesign, 3> timers{{
    {T::列表时钟2, "列表时钟2", 30000},
    {T::掉线时钟2, "掉线时钟2", 500},
    {T::时钟1, "时钟1", 10000},
}};

constexpr WindowDesign main_design{"MainWindow", "Mervolt客户端", {50, 50, 797, 644}, controls, timers};

}  // namespace

const WindowDesign& MainWindow::design() { return main_design; }

MainWindow::MainWindow(MainServices services, ClosingHandler closing)
    : services_(services), closing_(std::move(closing)) {}

void MainWindow::load() { window_ = services_.toolkit.load_window(main_design, *this); }

void MainWindow::show_account(const std::string& expiry, const std::string& package, const std::string& account_name) {
    Toolkit& toolkit = services_.toolkit;
    toolkit.set_text(window_, 到期时间_标签10, expiry);
    toolkit.set_text(window_, 套餐_标签9, package);
    toolkit.set_text(window_, 用户名_标签8, account_name);
    recolour_expiry();
}

void MainWindow::on_created(WindowId window) {
    window_ = window;
    services_.toolkit.use_themed_look();
    pump_delay(10);
    apply_saved_options();
}

void MainWindow::on_destroying() {
    pump_delay(200);
    closing_();
}

void MainWindow::on_timer(TimerId timer) {
    if (timer == 时钟1) return on_时钟1_timer();
}

void MainWindow::on_时钟1_timer() { recolour_expiry(); }

void MainWindow::apply_saved_options() {
    const ConfigStore& config = services_.config;
    if (!config.config_exists()) return;
    Toolkit& toolkit = services_.toolkit;
    toolkit.set_checked(window_, 隐藏_选择框1, config.read_setting("yingcang", "0") == "1");
    toolkit.set_checked(window_, 定时_选择框2, config.read_setting("dingshi", "0") == "1");
    toolkit.set_text(window_, 当前节点, config.read_setting("server", "全国混拨"));
    services_.state.current_node = config.read_setting("server", "全国混拨");
}

void MainWindow::recolour_expiry() {
    const std::string expiry = services_.toolkit.text(window_, 到期时间_标签10);
    services_.toolkit.set_text_colour(window_, 到期时间_标签10, expiry_colour(expiry, support_runtime().clock->now_local()));
}

}  // namespace mervolt
