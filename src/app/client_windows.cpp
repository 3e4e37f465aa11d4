#include "app/client_windows.h"

namespace mervolt {

ClientWindows::ClientWindows(const LoginServices& services)
    : services_(services),
      login_(services, [this](const SignInReply& reply, const std::string& account) { open_main(reply, account); }) {}

void ClientWindows::open_sign_in() { login_.load(); }

void ClientWindows::open_main(const SignInReply& reply, const std::string& account_name) {
    main_ = std::make_unique<MainWindow>(MainServices{services_.toolkit, services_.state, services_.config},
                                         [this] { login_.destroy(); });
    main_->load();
    main_->show_account(reply.field(1), reply.field(2), account_name);
}

}  // namespace mervolt
