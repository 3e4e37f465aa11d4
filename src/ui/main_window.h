#pragma once
#include <functional>
#include <string>

#include "app/client_state.h"
#include "app/config_store.h"
#include "support/faces/toolkit.h"

namespace mervolt {

struct MainServices {
    Toolkit& toolkit;
    ClientState& state;
    const ConfigStore& config;
};

// The working window: line list and search, account panel, member notice, public address,
// connect and disconnect, protocol and line-switch choices, option boxes and the dialer's status
// line. Closing it ends the client: its close handling reaches the hidden sign-in window through
// the handler the composition root gives it.
class MainWindow final : public WindowEvents {
public:
    enum Control : ControlId {
        分组框2,
        图片框1,
        分组框1,
        组合框1,
        搜索编辑框1,
        搜索_按钮2,
        更新列表,
        超级列表框1,
        分组框8,
        标签4,
        分组框5,
        用户名称_标签5,
        用户名_标签8,
        套餐名称_标签6,
        套餐_标签9,
        到期时间_标签7,
        到期时间_标签10,
        高级设置按钮,
        分组框4,
        标签3,
        分组框3,
        当前节点,
        标签2,
        分组框6,
        pptp,
        l2tp,
        sstp,
        标签1,
        分组框7,
        顺序,
        固定,
        随机,
        定时_选择框2,
        隐藏_选择框1,
        掉线断网_选择框1,
        掉线重拨_选择框1,
        连接_按钮1,
        VPN_挂断拨号_按钮4,
        分组框9,
        IP归属_标签5,
    };
    enum Timer : TimerId { 列表时钟2 = 1, 掉线时钟2, 时钟1 };
    static const WindowDesign& design();

    // Runs last in the close handling: destroys the hidden sign-in window.
    using ClosingHandler = std::function<void()>;

    MainWindow(MainServices services, ClosingHandler closing);

    void load();  // non-modal; the creation sequence has run when it returns
    WindowId id() const { return window_; }
    // The signed-in account's expiry, package and name, as sent; the expiry coloured by the clock.
    void show_account(const std::string& expiry, const std::string& package, const std::string& account_name);

    void on_created(WindowId window) override;
    void on_destroying() override;
    void on_timer(TimerId timer) override;

private:
    void on_时钟1_timer();

    void apply_saved_options();
    void recolour_expiry();

    MainServices services_;
    ClosingHandler closing_;
    WindowId window_ = 0;
};

}  // namespace mervolt
