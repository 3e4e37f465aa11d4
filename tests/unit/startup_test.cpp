// The client's start-up and shut-down around a whole session, on fakes: the sign-in window
// opens from the loop's first moment, the support layer runs on the given faces while the loop
// runs, and everything is released when the last window has gone.
#include "app/startup.h"

#include <gtest/gtest.h>

#include "fakes/fake_http_transport.h"
#include "fakes/fake_message_box.h"
#include "fakes/fake_tcp_probe.h"
#include "fakes/fake_toolkit.h"
#include "fakes/memory_file_system.h"
#include "platform/platform_faces.h"
#include "service/login_window.h"
#include "service/saved_password.h"
#include "support/emulated_profile_file.h"
#include "support/runtime_fixture.h"
#include "support/support_runtime.h"
#include "ui/main_window.h"

namespace mervolt {
namespace {

using L = LoginWindow::Control;

class StartupTest : public VirtualRuntimeTest {
protected:
    StartupTest() {
        files.files[files.directory + "\\service.ini"] = "[service]\r\nbase=http://svc.test:8080\r\nprobe_port=8081\r\n";
        files.files[files.directory + "\\config.ini"] =
            "[config]\r\nusername=demo\r\npassword=" + encode_saved_password("demo123", saved_password_key, platform_md5()) +
            "\r\n";
        probe.reachable.insert({"svc.test", 8081});
    }
    int run() {
        return startup({platform_text_codec(), clock, threads, profile, files, platform_md5(), probe, http, toolkit, boxes},
                       state);
    }

    MemoryFileSystem files;
    EmulatedProfileFile profile{files};
    FakeTcpProbe probe;
    FakeHttpTransport http;
    FakeToolkit toolkit{pump};
    FakeMessageBox boxes;
    ClientState state;
};

TEST_F(StartupTest, ASessionFromTheSignInWindowToTheEndOfTheMainWindow) {
    struct Seen {
        EventPump* pump = nullptr;
        bool both_clients = false;
        std::string account, password;
    } seen;
    // The user acts once the window has filled itself (decoding the saved password serves events).
    pump.post_at(1000, [&] {
        seen.pump = support_runtime().pump;
        seen.both_clients = state.sign_in_client && state.catalogue_client && state.support_runtime == &support_runtime();
        const WindowId login = toolkit.latest("LoginWindow");
        seen.account = toolkit.text(login, L::帐号_编辑框1);
        seen.password = toolkit.text(login, L::密码_编辑框2);
        http.script = {answer("ok"), answer("2099-12-31|p|ok")};
        toolkit.click(login, L::登录_按钮1);
    });
    pump.post_at(2000, [&] { toolkit.destroy(toolkit.latest("MainWindow")); });
    EventPump* const before = support_runtime().pump;

    EXPECT_EQ(run(), 0);

    EXPECT_EQ(seen.pump, &toolkit) << "the toolkit serves the waits";
    EXPECT_TRUE(seen.both_clients);
    EXPECT_EQ(seen.account, "demo") << "the sign-in window filled itself from config.ini";
    EXPECT_EQ(seen.password, "demo123");
    ASSERT_EQ(http.requests.size(), 2u);
    EXPECT_EQ(http.requests[0].host, "svc.test") << "the base address comes from service.ini";
    EXPECT_EQ(http.requests[0].port, 8080);
    EXPECT_EQ(probe.attempts.at(0).port, 8081);
    EXPECT_FALSE(toolkit.exists(toolkit.latest("LoginWindow"))) << "closing the main window ended the sign-in window";

    // shutdown_cleanup has run.
    EXPECT_FALSE(state.sign_in_client);
    EXPECT_FALSE(state.catalogue_client);
    EXPECT_EQ(state.user_name, "");
    EXPECT_EQ(state.account_password, "");
    EXPECT_EQ(state.service_base, "");
    EXPECT_EQ(state.support_runtime, nullptr);
    EXPECT_EQ(support_runtime().pump, before) << "the faces installed before are back";
    EXPECT_EQ(http.open_handles(), 0) << "both web clients closed their handles";
}

TEST_F(StartupTest, AFailedServerCheckEndsTheSessionWithTheSignInWindow) {
    probe.reachable.clear();
    pump.post_at(1000, [&] { toolkit.click(toolkit.latest("LoginWindow"), L::登录_按钮1); });
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, u"服务器连接失败" + std::u16string(1, u'\0'));
    EXPECT_EQ(toolkit.loads("MainWindow"), 0);
    EXPECT_FALSE(toolkit.exists(toolkit.latest("LoginWindow")));
    EXPECT_FALSE(state.sign_in_client);
}

}  // namespace
}  // namespace mervolt
