// The service protocol against the real demo service, over the native transport and TCP probe:
// what the client sends is what the service understands, escaped passwords and GBK texts included.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "platform/platform_faces.h"
#include "service/service_api.h"
#include "support/web_client.h"

namespace mervolt {
namespace {

namespace fs = std::filesystem;

int random_part() {
    static std::mt19937 generator{std::random_device{}()};
    return std::uniform_int_distribution<int>(1, 254)(generator);
}

// The demo service on a random loopback address with free ports, stopped (SIGTERM) when the
// object goes, whatever the test did.
class DemoService {
public:
    DemoService() {
        const fs::path binary = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools" /
                                "demo-service" / "mervolt-demo-service";
        if (!fs::exists(binary)) return;
        directory_ = fs::temp_directory_path() / ("mervolt-web-" + std::to_string(getpid()) + "-" +
                                                  std::to_string(random_part()));
        fs::create_directories(directory_);
        host_ = "127." + std::to_string(random_part()) + "." + std::to_string(random_part()) + "." +
                std::to_string(random_part());
        const std::string line_net = "127." + std::to_string(random_part()) + "." + std::to_string(random_part());
        const std::string ready = (directory_ / "ready").string();
        pid_ = fork();
        if (pid_ == 0) {
            execl(binary.c_str(), binary.c_str(), "--listen", host_.c_str(), "--http-port", "0", "--probe-port", "0",
                  "--line-net", line_net.c_str(), "--ready-file", ready.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline && !read_ready(ready)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~DemoService() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (!directory_.empty()) fs::remove_all(directory_);
    }
    DemoService(const DemoService&) = delete;
    DemoService& operator=(const DemoService&) = delete;

    bool built() const { return !directory_.empty(); }
    bool ready() const { return http_port_ != 0 && probe_port_ != 0; }
    std::string base() const { return "http://" + host_ + ":" + std::to_string(http_port_); }
    const std::string& host() const { return host_; }
    std::uint16_t probe_port() const { return probe_port_; }

private:
    bool read_ready(const std::string& path) {
        std::ifstream file(path);
        std::string line;
        while (std::getline(file, line)) {
            if (line.starts_with("http_port=")) http_port_ = static_cast<std::uint16_t>(std::stoi(line.substr(10)));
            if (line.starts_with("probe_port=")) probe_port_ = static_cast<std::uint16_t>(std::stoi(line.substr(11)));
        }
        return ready();
    }

    fs::path directory_;
    std::string host_;
    pid_t pid_ = -1;
    std::uint16_t http_port_ = 0;
    std::uint16_t probe_port_ = 0;
};

class ServiceApiAgainstDemoService : public ::testing::Test {
protected:
    void SetUp() override {
        if (!service.built()) GTEST_SKIP() << "the demo service is not built";
        ASSERT_TRUE(service.ready()) << "the demo service did not start";
        deployment.service_base = service.base();
        deployment.probe_host = service.host();
        deployment.probe_port = service.probe_port();
        state.sign_in_client = std::make_unique<WebClient>(platform_http_transport());
        state.catalogue_client = std::make_unique<WebClient>(platform_http_transport());
    }

    DemoService service;
    DeploymentSettings deployment;
    ClientState state;
    ServiceApi api{state, deployment, platform_tcp_probe()};
};

TEST_F(ServiceApiAgainstDemoService, SignInAndCatalogue) {
    EXPECT_TRUE(api.probe_server());
    ASSERT_EQ(api.ping_service(), PingOutcome::answered_ok);
    EXPECT_EQ(state.service_base, service.base());

    const struct {
        const char* name;
        const char* password;
        bool accepted;
        const char* package;
    } accounts[] = {
        {"demo", "demo123", true, "尊享年付套餐"},
        {"symbols", "a&b=c+d", true, "尊享年付套餐"},  // reaches the service whole only escaped
        {"测试用户", "密码123", true, "季付标准套餐"},
        {"yi", "yi123", true, "億萬流量套餐"},          // a "|" trail byte inside the package name
        {"demo", "wrong", false, ""},
        {"symbols", "a", false, ""},
    };
    for (const auto& account : accounts) {
        const std::optional<SignInReply> reply = api.sign_in(account.name, account.password);
        ASSERT_TRUE(reply) << account.name;
        EXPECT_EQ(reply->accepted(), account.accepted) << account.name << " " << reply->text;
        EXPECT_EQ(reply->field(2), account.package) << account.name;
    }

    const std::optional<std::string> lines = api.request_lines();
    ASSERT_TRUE(lines);
    EXPECT_NE(lines->find("北京电信一号"), std::string::npos) << *lines;
    const std::optional<std::string> found = api.search_lines("上海");
    ASSERT_TRUE(found);
    EXPECT_NE(found->find("上海移动一号"), std::string::npos) << *found;
    EXPECT_EQ(found->find("北京"), std::string::npos) << *found;
    EXPECT_TRUE(api.check_member_page());

    // Replies forced into gzip arrive decoded once, the same text.
    WebClient admin(platform_http_transport());
    ASSERT_TRUE(admin.post_text(service.base() + "/admin/gzip?on=1", {}, {}, {}));
    EXPECT_EQ(api.request_lines(), lines);
    EXPECT_EQ(api.ping_service(), PingOutcome::answered_ok);
}

}  // namespace
}  // namespace mervolt
