#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "app/client_state.h"
#include "app/config_store.h"
#include "service/service_api.h"
#include "service/timed_message.h"
#include "support/faces/md5.h"
#include "support/faces/toolkit.h"

namespace mervolt {

// What the sign-in window works with.
struct LoginServices {
    Toolkit& toolkit;
    ClientState& state;
    ServiceApi& service;
    const ConfigStore& config;
    Md5& md5;
    MessageBoxes boxes;
};

// The first window of the process: collects account and password, restores and saves them, and
// signs in (server probe, ping, sign-in request). An accepted account goes to the handler the
// composition root gives it, which opens the main window; a failed server check destroys this
// window, which ends the process.
class LoginWindow final : public WindowEvents {
public:
    enum Control : ControlId {
        分组框1,
        图片框1,
        分组框2,
        标签1,
        帐号_编辑框1,
        标签2,
        密码_编辑框2,
        登录_按钮1,
        选择框1,
    };
    static const WindowDesign& design();

    // Runs with this window hidden: opens the main window and shows the account there.
    using AcceptedHandler = std::function<void(const SignInReply& reply, const std::string& account_name)>;

    LoginWindow(LoginServices services, AcceptedHandler accepted);

    void load();     // non-modal
    void destroy();  // once the main window goes, or after a fatal server check
    WindowId id() const { return window_; }

    void on_created(WindowId window) override;
    void on_control_event(const ControlEvent& event) override;

private:
    void on_登录_按钮1_clicked();
    void on_密码_编辑框2_key_pressed(std::int64_t key_code);

    void fill_boxes();
    void sign_in();
    // Probe and ping; false when the window has been destroyed for good.
    bool server_checks_pass();
    void save_credentials(const std::string& account, const std::string& password);
    void show(std::string_view text, std::string_view title = {}, std::int32_t timeout_ms = 0);

    LoginServices services_;
    AcceptedHandler accepted_;
    WindowId window_ = 0;
};

}  // namespace mervolt
