#pragma once
#include <memory>
#include <string>

#include "service/login_window.h"
#include "ui/main_window.h"

namespace mervolt {

// The composition of the windows: the sign-in window hands an accepted account to the main
// window it opens here, and the main window's close handling destroys the hidden sign-in window.
// Neither window knows the other.
class ClientWindows {
public:
    explicit ClientWindows(const LoginServices& services);
    ClientWindows(const ClientWindows&) = delete;
    ClientWindows& operator=(const ClientWindows&) = delete;

    void open_sign_in();
    LoginWindow& sign_in_window() { return login_; }
    MainWindow* main_window() { return main_.get(); }

private:
    void open_main(const SignInReply& reply, const std::string& account_name);

    LoginServices services_;
    LoginWindow login_;
    std::unique_ptr<MainWindow> main_;
};

}  // namespace mervolt
