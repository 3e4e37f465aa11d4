#include "service/login_window.h"

#include <array>

#include "service/saved_password.h"
#include "support/delay.h"

namespace mervolt {

namespace {

using C = LoginWindow::Control;
constexpr std::int64_t enter_key = 13;

// The two frames are placed in the window, every other control in its frame.
constexpr std::array<ControlDesign, 9> controls{{
    {C::分组框1, "分组框1", ControlKind::group_box, in_window, {-3, -1, 363, 72}},
    {C::图片框1, "图片框1", ControlKind::picture_box, C::分组框1, {6, 4, 359, 64}, {}, no_flags, "LOGIN_BANNER"},
    {C::分组框2, "分组框2", ControlKind::group_box, in_window, {0, 74, 360, 168}},
    {C::标签1, "标签1", ControlKind::label, C::分组框2, {32, 11, 56, 32}, "帐  号："},
    {C::帐号_编辑框1, "帐号_编辑框1", ControlKind::edit, C::分组框2, {99, 14, 192, 32}},
    {C::标签2, "标签2", ControlKind::label, C::分组框2, {32, 72, 56, 32}, "密  码："},
    {C::密码_编辑框2, "密码_编辑框2", ControlKind::edit, C::分组框2, {99, 71, 192, 32}, {}, password},
    {C::登录_按钮1, "登录_按钮1", ControlKind::button, C::分组框2, {120, 115, 104, 40}, "登录"},
    {C::选择框1, "选择框1", ControlKind::check_box, C::分组框2, {254, 128, 88, 24}, "记住密码", starts_checked},
}};
constexpr WindowDesign login_design{"LoginWindow", "Mervolt客户端", {50, 50, 363, 270}, controls};

}  // namespace

const WindowDesign& LoginWindow::design() { return login_design; }

LoginWindow::LoginWindow(LoginServices services, AcceptedHandler accepted)
    : services_(services), accepted_(std::move(accepted)) {}

void LoginWindow::load() { window_ = services_.toolkit.load_window(login_design, *this); }

void LoginWindow::destroy() { services_.toolkit.destroy(window_); }

void LoginWindow::on_created(WindowId window) {
    window_ = window;
    fill_boxes();
}

void LoginWindow::on_control_event(const ControlEvent& event) {
    if (event.is(登录_按钮1, EventKind::clicked)) return on_登录_按钮1_clicked();
    if (event.is(密码_编辑框2, EventKind::key_pressed)) return on_密码_编辑框2_key_pressed(event.argument);
}

void LoginWindow::on_登录_按钮1_clicked() { sign_in(); }

void LoginWindow::on_密码_编辑框2_key_pressed(std::int64_t key_code) {
    if (key_code != enter_key) return;
    pump_delay(100);
    // The events served meanwhile may have signed in (this window is hidden for good then) or
    // failed a server check (it is gone): signing in again would open a second main window or
    // repeat the failure after the window has closed.
    if (!services_.toolkit.visible(window_)) return;
    sign_in();
}

void LoginWindow::fill_boxes() {
    if (!services_.config.config_exists()) return;
    Toolkit& toolkit = services_.toolkit;
    toolkit.set_text(window_, 帐号_编辑框1, services_.config.read_setting("username", "0"));
    const std::string stored = services_.config.read_setting("password", "0");
    toolkit.set_text(window_, 密码_编辑框2, decode_saved_password(stored, saved_password_key, services_.md5));
}

void LoginWindow::sign_in() {
    if (!server_checks_pass()) return;
    Toolkit& toolkit = services_.toolkit;
    const std::string account = toolkit.text(window_, 帐号_编辑框1);
    const std::string password = toolkit.text(window_, 密码_编辑框2);
    if (account.empty()) return show("请输入帐号");
    if (password.empty()) return show("请输入密码");

    const std::optional<SignInReply> reply = services_.service.sign_in(account, password);
    if (!reply) return;
    if (reply->fields.empty()) return show("密码错误");
    // A reply of one or two fields has no status and counts as refused.
    if (!reply->accepted()) {
        show("帐号密码错误！");
        toolkit.focus(window_, 帐号_编辑框1);
        return;
    }

    services_.state.account_password = password;
    services_.state.user_name = account;
    if (toolkit.checked(window_, 选择框1)) save_credentials(account, password);
    toolkit.set_visible(window_, false);
    accepted_(*reply, account);
}

bool LoginWindow::server_checks_pass() {
    const auto fail = [&](std::string_view text, std::string_view title = {}, std::int32_t timeout_ms = 0) {
        show(text, title, timeout_ms);
        destroy();
        return false;
    };
    if (!services_.service.probe_server()) return fail("服务器连接失败");
    switch (services_.service.ping_service()) {
    case PingOutcome::request_failed: return fail("服务器连接失败");
    case PingOutcome::answered_other: return fail("获取数据异常！！！", "报错提示", 10000);
    case PingOutcome::answered_ok: return true;
    }
    return false;
}

void LoginWindow::save_credentials(const std::string& account, const std::string& password) {
    services_.config.write_setting("username", account);
    services_.config.write_setting("password", encode_saved_password(password, saved_password_key, services_.md5));
}

void LoginWindow::show(std::string_view text, std::string_view title, std::int32_t timeout_ms) {
    show_timed_message(services_.boxes, text, 0, title, 0, timeout_ms);
}

}  // namespace mervolt
