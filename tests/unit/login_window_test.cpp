// The sign-in window and what it opens, with in-memory windows, a scripted service, a fake probe
// and virtual time.
#include "service/login_window.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/client_windows.h"
#include "fakes/fake_http_transport.h"
#include "fakes/fake_message_box.h"
#include "fakes/fake_tcp_probe.h"
#include "fakes/fake_toolkit.h"
#include "fakes/memory_file_system.h"
#include "platform/platform_faces.h"
#include "service/saved_password.h"
#include "support/emulated_profile_file.h"
#include "support/runtime_fixture.h"

namespace mervolt {
namespace {

using L = LoginWindow::Control;
using M = MainWindow::Control;

std::string utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }
std::u16string boxed(std::u16string text) { return text + u'\0'; }

constexpr char accepted_reply[] = "2030-06-01 12:00:00|年卡套餐|ok";
constexpr char config_path[] = "C:\\Program Files\\Mervolt\\config.ini";

class LoginWindowTest : public VirtualRuntimeTest {
protected:
    LoginWindowTest() {
        deployment.service_base = "http://svc.test";
        deployment.probe_host = "svc.test";
        deployment.probe_port = 81;
        probe.reachable.insert({"svc.test", 81});
        state.sign_in_client = std::make_unique<WebClient>(http);
        clock.local_at_boot = {2030, 6, 1, 12, 0, 0};
    }

    // Starts the client's windows as the process does: the sign-in window opens.
    void open() {
        windows.emplace(LoginServices{toolkit, state, service, config, platform_md5(), {boxes, files}});
        windows->open_sign_in();
        login = windows->sign_in_window().id();
    }
    void type_credentials(std::string_view account, std::string_view password) {
        toolkit.type(login, L::帐号_编辑框1, account);
        toolkit.type(login, L::密码_编辑框2, password);
    }
    // A press of "登录" against a service that answers the ping with ok and the sign-in with reply.
    void sign_in_with(std::string_view reply) {
        http.script = {answer("ok"), answer(std::string(reply))};
        toolkit.click(login, L::登录_按钮1);
    }
    WindowId main_window() const { return toolkit.latest("MainWindow"); }
    std::string main_label(ControlId control) const { return toolkit.control(main_window(), control).text; }
    std::vector<std::string> paths() const {
        std::vector<std::string> result;
        for (const auto& request : http.requests) result.push_back(request.path);
        return result;
    }
    std::string stored_password(std::string_view password) {
        return encode_saved_password(password, saved_password_key, platform_md5());
    }

    MemoryFileSystem files;
    EmulatedProfileFile profile{files};
    ConfigStore config{profile, files};
    DeploymentSettings deployment;
    FakeTcpProbe probe;
    FakeHttpTransport http;
    ClientState state;
    ServiceApi service{state, deployment, probe};
    FakeToolkit toolkit{pump};
    FakeMessageBox boxes;
    std::optional<ClientWindows> windows;
    WindowId login = 0;
};

TEST_F(LoginWindowTest, OpensAsDesignedWithEmptyBoxesWithoutConfigIni) {
    open();
    const auto& window = toolkit.window(login);
    EXPECT_EQ(window.design->title, "Mervolt客户端");
    EXPECT_EQ(window.design->place, (Rect{50, 50, 363, 270}));
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(toolkit.text(login, L::帐号_编辑框1), "");
    EXPECT_EQ(toolkit.text(login, L::密码_编辑框2), "");
    EXPECT_TRUE(toolkit.checked(login, L::选择框1));
    EXPECT_EQ(toolkit.text(login, L::登录_按钮1), "登录");
    EXPECT_TRUE(files.files.empty()) << "reading never creates config.ini";
}

TEST_F(LoginWindowTest, FillsTheBoxesFromConfigIni) {
    const struct {
        std::string config_ini;
        std::string account, password;
    } cases[] = {
        {"[config]\r\nusername=demo\r\npassword=" + stored_password("demo123") + "\r\n", "demo", "demo123"},
        {"[config]\r\npassword=" + stored_password("密码") + "\r\n", "0", "密码"},  // the account's default
        {"[config]\r\nusername=用户\r\npassword=7175\r\n", "用户", ""},           // no marker: no password
        {"[config]\r\n", "0", ""},
    };
    for (const auto& c : cases) {
        files.files[config_path] = c.config_ini;
        open();
        EXPECT_EQ(toolkit.text(login, L::帐号_编辑框1), c.account) << c.config_ini;
        EXPECT_EQ(toolkit.text(login, L::密码_编辑框2), c.password) << c.config_ini;
        EXPECT_TRUE(toolkit.checked(login, L::选择框1)) << "nothing in the file changes the box";
    }
}

TEST_F(LoginWindowTest, EveryFailureShowsItsMessageAndEndsOrKeepsTheWindow) {
    struct Case {
        std::string what;
        bool probe_answers;
        std::vector<FakeExchange> script;
        std::string account, password;
        std::optional<std::u16string> message;  // none: no box at all
        std::u16string title;
        std::uint32_t timeout_ms;
        bool window_destroyed;
        std::vector<std::string> requests;
    };
    const std::string ping = "/nas.php?ping=abcd";
    const std::string sign_in = "/nas.php?denglu=denglu&username=demo&password=pw";
    const Case cases[] = {
        {"no connection on the probe port", false, {}, "demo", "pw", u"服务器连接失败", u"mervolt.exe", 0xFFFFFFFF,
         true, {}},
        {"ping request failed", true, {unreachable()}, "demo", "pw", u"服务器连接失败", u"mervolt.exe", 0xFFFFFFFF,
         true, {ping}},
        {"ping answered, not ok", true, {answer("OK")}, "demo", "pw", u"获取数据异常！！！", u"报错提示", 10000, true,
         {ping}},
        {"account box empty", true, {answer("ok")}, "", "pw", u"请输入帐号", u"mervolt.exe", 0xFFFFFFFF, false, {ping}},
        {"password box empty", true, {answer("ok")}, "demo", "", u"请输入密码", u"mervolt.exe", 0xFFFFFFFF, false,
         {ping}},
        {"sign-in request failed", true, {answer("ok"), unreachable()}, "demo", "pw", std::nullopt, u"", 0, false,
         {ping, sign_in}},
        {"empty sign-in reply", true, {answer("ok"), answer("")}, "demo", "pw", u"密码错误", u"mervolt.exe",
         0xFFFFFFFF, false, {ping, sign_in}},
        {"status not ok", true, {answer("ok"), answer("||fail")}, "demo", "pw", u"帐号密码错误！", u"mervolt.exe",
         0xFFFFFFFF, false, {ping, sign_in}},
        {"no status field", true, {answer("ok"), answer("2030-01-01|套餐")}, "demo", "pw", u"帐号密码错误！",
         u"mervolt.exe", 0xFFFFFFFF, false, {ping, sign_in}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeTcpProbe fresh_probe;
        if (c.probe_answers) fresh_probe.reachable.insert({"svc.test", 81});
        FakeHttpTransport fresh_http;
        fresh_http.script.assign(c.script.begin(), c.script.end());
        ClientState fresh_state;
        fresh_state.sign_in_client = std::make_unique<WebClient>(fresh_http);
        ServiceApi fresh_service(fresh_state, deployment, fresh_probe);
        FakeMessageBox fresh_boxes;
        FakeToolkit fresh_toolkit(pump);
        ClientWindows client(LoginServices{fresh_toolkit, fresh_state, fresh_service, config, platform_md5(),
                                           {fresh_boxes, files}});
        client.open_sign_in();
        const WindowId window = client.sign_in_window().id();
        fresh_toolkit.type(window, L::帐号_编辑框1, c.account);
        fresh_toolkit.type(window, L::密码_编辑框2, c.password);
        fresh_toolkit.click(window, L::登录_按钮1);

        if (c.message) {
            ASSERT_EQ(fresh_boxes.shown.size(), 1u);
            EXPECT_EQ(fresh_boxes.shown[0].text, boxed(*c.message));
            EXPECT_EQ(fresh_boxes.shown[0].title, boxed(c.title));
            EXPECT_EQ(fresh_boxes.shown[0].timeout_ms, c.timeout_ms);
            EXPECT_EQ(fresh_boxes.shown[0].type, 64u + 65536u);
        } else {
            EXPECT_TRUE(fresh_boxes.shown.empty());
        }
        EXPECT_EQ(fresh_toolkit.exists(window), !c.window_destroyed);
        if (!c.window_destroyed) {
            EXPECT_TRUE(fresh_toolkit.visible(window));
        }
        std::vector<std::string> sent;
        for (const auto& request : fresh_http.requests) sent.push_back(request.path);
        EXPECT_EQ(sent, c.requests);
        EXPECT_EQ(fresh_toolkit.loads("MainWindow"), 0);
        EXPECT_EQ(fresh_state.user_name, "");
        EXPECT_EQ(fresh_toolkit.text(window, L::帐号_编辑框1), c.window_destroyed ? "" : c.account)
            << "the boxes keep what was typed";
    }
}

TEST_F(LoginWindowTest, ARefusedSignInPutsTheFocusInTheAccountBoxAndTheNextPressChecksTheServerAgain) {
    open();
    type_credentials("demo", "wrong");
    toolkit.focus(login, L::密码_编辑框2);
    sign_in_with("||fail");
    EXPECT_EQ(toolkit.window(login).focus, L::帐号_编辑框1);
    EXPECT_EQ(toolkit.text(login, L::密码_编辑框2), "wrong");

    sign_in_with("||fail");
    EXPECT_EQ(probe.attempts.size(), 2u);
    EXPECT_EQ(paths(), (std::vector<std::string>{"/nas.php?ping=abcd", "/nas.php?denglu=denglu&username=demo&password=wrong",
                                                 "/nas.php?ping=abcd", "/nas.php?denglu=denglu&username=demo&password=wrong"}));
}

TEST_F(LoginWindowTest, BlanksAreNotEmptyAndGoToTheServiceAsTyped) {
    open();
    type_credentials(" ", " ");
    sign_in_with("||fail");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, boxed(u"帐号密码错误！"));
    EXPECT_EQ(http.requests.size(), 2u) << "the sign-in was sent";
}

TEST_F(LoginWindowTest, AnAcceptedAccountHidesTheWindowAndOpensTheMainWindowWithTheReplysFields) {
    open();
    type_credentials("demo", "demo123");
    // Fields as sent: blanks stay, a fourth field is ignored.
    sign_in_with(utf8(u8" 2030-06-01 12:00:00 |  年卡套餐 |ok|extra"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(toolkit.exists(login)) << "hidden, not destroyed";
    EXPECT_FALSE(toolkit.visible(login));
    EXPECT_EQ(toolkit.loads("MainWindow"), 1);
    EXPECT_EQ(main_label(M::到期时间_标签10), " 2030-06-01 12:00:00 ");
    EXPECT_EQ(main_label(M::套餐_标签9), "  年卡套餐 ");
    EXPECT_EQ(main_label(M::用户名_标签8), "demo");
    EXPECT_EQ(state.user_name, "demo");
    EXPECT_EQ(state.account_password, "demo123");
    EXPECT_EQ(state.service_base, "http://svc.test");
}

TEST_F(LoginWindowTest, RememberTickedSavesNameAndStoredFormForTheNextStart) {
    open();
    type_credentials("用户", "密码 1");
    sign_in_with(utf8(u8"2030-06-01 12:00:00|年卡套餐|ok"));
    EXPECT_EQ(config.read_setting("username", "-"), "用户");
    EXPECT_EQ(config.read_setting("password", "-"), stored_password("密码 1"));

    open();  // the next start
    EXPECT_EQ(toolkit.text(login, L::帐号_编辑框1), "用户");
    EXPECT_EQ(toolkit.text(login, L::密码_编辑框2), "密码 1");
}

TEST_F(LoginWindowTest, RememberUntickedLeavesConfigIniAsItWas) {
    const struct {
        std::optional<std::string> before;
    } cases[] = {{std::nullopt}, {"[config]\r\nusername=old\r\npassword=" + stored_password("oldpw") + "\r\n"}};
    for (const auto& c : cases) {
        files.files.clear();
        if (c.before) files.files[config_path] = *c.before;
        open();
        type_credentials("demo", "demo123");
        toolkit.click(login, L::选择框1);
        ASSERT_FALSE(toolkit.checked(login, L::选择框1));
        sign_in_with(accepted_reply);
        ASSERT_FALSE(toolkit.visible(login)) << "signed in";
        if (c.before) {
            EXPECT_EQ(files.files.at(config_path), *c.before) << "earlier credentials stay";
        } else {
            EXPECT_TRUE(files.files.empty());
        }
    }
}

TEST_F(LoginWindowTest, EnterInThePasswordBoxSignsIn100msLater) {
    open();
    type_credentials("demo", "demo123");
    http.script = {answer("ok"), answer(accepted_reply)};
    const std::int64_t pressed_at = clock.elapsed_ms();
    std::optional<std::size_t> requests_at_99ms;
    pump.post_at(pressed_at + 99, [&] { requests_at_99ms = http.requests.size(); });
    toolkit.press_key(login, L::密码_编辑框2, 13);
    EXPECT_EQ(requests_at_99ms, 0u) << "nothing is sent while the 100 ms pass";
    EXPECT_GE(clock.elapsed_ms() - pressed_at, 100);
    EXPECT_EQ(http.requests.size(), 2u);
    EXPECT_EQ(toolkit.loads("MainWindow"), 1);
}

TEST_F(LoginWindowTest, OtherKeysAndEnterInTheAccountBoxDoNothing) {
    open();
    type_credentials("demo", "demo123");
    toolkit.press_key(login, L::密码_编辑框2, 65);
    toolkit.press_key(login, L::密码_编辑框2, 10);
    toolkit.press_key(login, L::帐号_编辑框1, 13);
    EXPECT_TRUE(http.requests.empty());
    EXPECT_EQ(probe.attempts.size(), 0u);
}

TEST_F(LoginWindowTest, AClickDuringTheEnterWaitRunsFirstAndTheEnterDoesNotSignInASecondTime) {
    open();
    type_credentials("demo", "demo123");
    http.script = {answer("ok"), answer(accepted_reply), answer("ok"), answer(accepted_reply)};
    pump.post_at(clock.elapsed_ms() + 50, [&] { toolkit.click(login, L::登录_按钮1); });
    toolkit.press_key(login, L::密码_编辑框2, 13);
    EXPECT_EQ(toolkit.loads("MainWindow"), 1) << "one main window, not two";
    EXPECT_EQ(http.requests.size(), 2u);
}

TEST_F(LoginWindowTest, AnEnterWaitingWhileAClickEndsTheWindowShowsNoSecondFailure) {
    probe.reachable.clear();
    open();
    type_credentials("demo", "demo123");
    pump.post_at(clock.elapsed_ms() + 50, [&] { toolkit.click(login, L::登录_按钮1); });
    toolkit.press_key(login, L::密码_编辑框2, 13);
    EXPECT_FALSE(toolkit.exists(login));
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(probe.attempts.size(), 1u);
}

TEST_F(LoginWindowTest, TheExpiryIsRedOnlyOnceNowIsLaterThanIt) {
    // Virtual time starts at 2030-06-01 12:00:00 and stays within its first second here.
    const struct {
        std::string expiry;
        Colour colour;
    } cases[] = {
        {"2030-06-01 12:00:00", colour_black},  // equal to the current second
        {"2030-06-01 11:59:59", colour_red},    // one second earlier
        {"2030-06-01 12:00:01", colour_black},
        {"2030-06-01", colour_red},             // midnight of today
        {"never", colour_red},                  // not a date: the earliest date
        {"", colour_red},
        {"9999-12-31 23:59:59", colour_black},
    };
    for (const auto& c : cases) {
        open();
        type_credentials("demo", "demo123");
        sign_in_with(c.expiry + "|p|ok");
        ASSERT_EQ(main_label(M::到期时间_标签10), c.expiry);
        EXPECT_EQ(toolkit.control(main_window(), M::到期时间_标签10).colour, c.colour) << c.expiry;
    }
    EXPECT_LT(clock.elapsed_ms(), 1000);
}

TEST_F(LoginWindowTest, TheTenSecondTimerRecoloursTheExpiry) {
    open();
    type_credentials("demo", "demo123");
    sign_in_with("2030-06-01 12:00:05|p|ok");
    EXPECT_EQ(toolkit.control(main_window(), M::到期时间_标签10).colour, colour_black);
    clock.advance_ms(6000);
    toolkit.fire_timer(main_window(), MainWindow::时钟1);
    EXPECT_EQ(toolkit.control(main_window(), M::到期时间_标签10).colour, colour_red);
}

TEST_F(LoginWindowTest, ClosingTheMainWindowDestroysTheHiddenSignInWindow) {
    open();
    type_credentials("demo", "demo123");
    sign_in_with(accepted_reply);
    const std::int64_t closed_at = clock.elapsed_ms();
    toolkit.destroy(main_window());
    EXPECT_FALSE(toolkit.exists(login));
    EXPECT_GE(clock.elapsed_ms() - closed_at, 200) << "it waits 200 ms with events served first";
    EXPECT_EQ(toolkit.run_message_loop(), 0);
}

}  // namespace
}  // namespace mervolt
