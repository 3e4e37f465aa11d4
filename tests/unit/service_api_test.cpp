// The service protocol's requests and replies, against the recording fake transport.
#include "service/service_api.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <thread>

#include "fakes/fake_http_transport.h"
#include "fakes/fake_tcp_probe.h"

namespace mervolt {
namespace {

class ServiceApiTest : public ::testing::Test {
protected:
    ServiceApiTest() {
        deployment.service_base = "http://svc.example:8080/vpn";
        deployment.probe_host = "probe.example";
        deployment.probe_port = 81;
        state.sign_in_client = std::make_unique<WebClient>(sign_in_transport);
        state.catalogue_client = std::make_unique<WebClient>(catalogue_transport);
    }

    std::string sign_in_target(std::size_t n) const {
        const auto& r = sign_in_transport.requests.at(n);
        return r.method + " " + r.host + ":" + std::to_string(r.port) + r.path;
    }
    std::string catalogue_target(std::size_t n) const {
        const auto& r = catalogue_transport.requests.at(n);
        return r.method + " " + r.host + ":" + std::to_string(r.port) + r.path;
    }
    void signed_base() { state.service_base = deployment.service_base; }

    FakeHttpTransport sign_in_transport;
    FakeHttpTransport catalogue_transport;
    FakeTcpProbe probe;
    DeploymentSettings deployment;
    ClientState state;
    ServiceApi api{state, deployment, probe};
};

TEST_F(ServiceApiTest, ServiceUrlAppendsToTheStoredBase) {
    EXPECT_EQ(api.service_url("/nas.php?nas=nas"), "/nas.php?nas=nas");  // nothing stored before the ping
    signed_base();
    EXPECT_EQ(api.service_url("/nas.php?nas=nas"), "http://svc.example:8080/vpn/nas.php?nas=nas");
}

TEST_F(ServiceApiTest, ProbeConnectsToTheDeploymentsHostAndPort) {
    EXPECT_FALSE(api.probe_server());
    probe.reachable = {{"probe.example", 81}, {"svc.example", 6081}};
    EXPECT_TRUE(api.probe_server());
    deployment.probe_host.clear();  // default: the host of the base address
    deployment.probe_port = 6081;
    EXPECT_TRUE(api.probe_server());
    std::vector<std::string> attempts;
    for (const auto& attempt : probe.attempts) {
        attempts.push_back(attempt.host + ":" + std::to_string(attempt.port) + " " + std::to_string(attempt.timeout_ms));
    }
    EXPECT_EQ(attempts, (std::vector<std::string>{"probe.example:81 5000", "probe.example:81 5000", "svc.example:6081 5000"}));
    EXPECT_TRUE(sign_in_transport.requests.empty());
}

TEST_F(ServiceApiTest, PingAcceptsExactlyOk) {
    const struct {
        FakeExchange reply;
        PingOutcome outcome;
    } cases[] = {
        {answer("ok"), PingOutcome::answered_ok},
        {answer("OK"), PingOutcome::answered_other},
        {answer("ok\r\n"), PingOutcome::answered_other},
        {answer(" ok"), PingOutcome::answered_other},
        {answer(""), PingOutcome::answered_other},
        {unreachable(), PingOutcome::request_failed},
    };
    for (const auto& c : cases) {
        FakeHttpTransport transport;
        ClientState fresh;
        fresh.sign_in_client = std::make_unique<WebClient>(transport);
        ServiceApi fresh_api(fresh, deployment, probe);
        transport.script = {c.reply};
        EXPECT_EQ(fresh_api.ping_service(), c.outcome) << c.reply.body;
        ASSERT_EQ(transport.requests.size(), 1u);
        EXPECT_EQ(transport.requests[0].method, "POST");
        EXPECT_EQ(transport.requests[0].path, "/vpn/nas.php?ping=abcd");
        EXPECT_EQ(transport.requests[0].sends.back(), "");
        // Only an answered ping settles the base address of later requests.
        EXPECT_EQ(fresh.service_base, c.outcome == PingOutcome::answered_ok ? deployment.service_base : "");
    }
}

TEST_F(ServiceApiTest, SignInEscapesNameAndPassword) {
    signed_base();
    const struct {
        std::string name;
        std::string password;
        std::string query;
    } cases[] = {
        {"alice", "Secret-1._~", "username=alice&password=Secret-1._~"},  // unreserved: byte-identical
        {"a&b", "p#1+2%3=4 5", "username=a%26b&password=p%231%2B2%253%3D4%205"},
        {"\xD5\xC5\xC8\xFD", "\xC3\xDC", "username=%D5%C5%C8%FD&password=%C3%DC"},  // GBK bytes
        {"", "", "username=&password="},
    };
    for (const auto& c : cases) {
        sign_in_transport.script = {answer("2030-01-01 00:00:00|gold|ok")};
        ASSERT_TRUE(api.sign_in(c.name, c.password));
        EXPECT_EQ(sign_in_transport.requests.back().path, "/vpn/nas.php?denglu=denglu&" + c.query);
    }
    EXPECT_EQ(sign_in_target(0), "POST svc.example:8080/vpn/nas.php?denglu=denglu&username=alice&password=Secret-1._~");
}

TEST_F(ServiceApiTest, SignInReplyFields) {
    signed_base();
    const struct {
        const char* reply;
        std::vector<std::string> fields;
        bool accepted;
    } cases[] = {
        {"2030-01-01|gold|ok", {"2030-01-01", "gold", "ok"}, true},
        {"2030-01-01 12:00:00|gold|ok|extra", {"2030-01-01 12:00:00", "gold", "ok", "extra"}, true},
        {"2030-01-01||ok", {"2030-01-01", "", "ok"}, true},  // empty package name
        {"||fail", {"", "", "fail"}, false},
        {"2030-01-01|gold|OK", {"2030-01-01", "gold", "OK"}, false},
        {"2030-01-01|gold", {"2030-01-01", "gold"}, false},
        {"", {}, false},
    };
    for (const auto& c : cases) {
        sign_in_transport.script = {answer(c.reply)};
        const std::optional<SignInReply> reply = api.sign_in("alice", "pw");
        ASSERT_TRUE(reply) << c.reply;
        EXPECT_EQ(reply->text, c.reply);
        EXPECT_EQ(reply->fields, c.fields) << c.reply;
        EXPECT_EQ(reply->accepted(), c.accepted) << c.reply;
        EXPECT_EQ(reply->field(0), "");
        EXPECT_EQ(reply->field(9), "");
    }
    sign_in_transport.script = {unreachable()};
    EXPECT_FALSE(api.sign_in("alice", "pw"));
}

TEST_F(ServiceApiTest, CatalogueRequestsGoOnTheCatalogueClient) {
    signed_base();
    catalogue_transport.script = {answer("1.2.3.4:north+fast;"), answer("5.6.7.8:south+slow;"), answer("<html>")};
    EXPECT_EQ(api.request_lines(), "1.2.3.4:north+fast;");
    EXPECT_EQ(api.search_lines("\xC9\xCF\xBA\xA3"), "5.6.7.8:south+slow;");
    EXPECT_TRUE(api.check_member_page());
    EXPECT_EQ(catalogue_target(0), "POST svc.example:8080/vpn/nas.php?nas=nas");
    EXPECT_EQ(catalogue_target(1), "POST svc.example:8080/vpn/nas.php?sousuo=sousuo&diqu=%C9%CF%BA%A3");
    EXPECT_EQ(catalogue_target(2), "POST svc.example:8080/vpn/nas.php?member=member");
    EXPECT_TRUE(sign_in_transport.requests.empty());

    catalogue_transport.script = {unreachable(), unreachable(), unreachable()};
    EXPECT_FALSE(api.request_lines());
    EXPECT_FALSE(api.search_lines(""));
    EXPECT_FALSE(api.check_member_page());
    EXPECT_EQ(catalogue_transport.requests[4].path, "/vpn/nas.php?sousuo=sousuo&diqu=");
}

TEST_F(ServiceApiTest, RepliesAreConvertedFromUtf8) {
    signed_base();
    catalogue_transport.script = {answer("1.2.3.4:\xE4\xB8\x8A\xE6\xB5\xB7+\xE7\xA7\xBB\xE5\x8A\xA8;")};
    EXPECT_EQ(api.request_lines(), "1.2.3.4:上海+移动;");
    sign_in_transport.script = {answer("2099-12-31|\xE5\x84\x84\xE8\x90\xAC|ok")};  // 億 is 83 7C in GBK: a "|" trail byte
    const std::optional<SignInReply> reply = api.sign_in("yi", "yi123");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->fields, (std::vector<std::string>{"2099-12-31", "億萬", "ok"}));
    EXPECT_TRUE(reply->accepted());
}

TEST_F(ServiceApiTest, CatalogueRequestsHoldTheCatalogueLock) {
    signed_base();
    state.catalogue_lock.lock();
    std::thread worker([&] { api.request_lines(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(catalogue_transport.requests.empty());  // still waiting for the lock
    state.catalogue_lock.unlock();
    worker.join();
    EXPECT_EQ(catalogue_transport.requests.size(), 1u);
}

TEST_F(ServiceApiTest, MissingRequestObjectIsAFailedRequest) {
    signed_base();
    state.sign_in_client.reset();
    state.catalogue_client.reset();
    EXPECT_EQ(api.ping_service(), PingOutcome::request_failed);
    EXPECT_FALSE(api.sign_in("a", "b"));
    EXPECT_FALSE(api.request_lines());
    EXPECT_FALSE(api.check_member_page());
}

TEST(PercentEncode, LocalEncodesEveryByte) {
    EXPECT_EQ(percent_encode_local(""), "");
    EXPECT_EQ(percent_encode_local("A"), "%41");
    EXPECT_EQ(percent_encode_local("\xC9\xCF\xBA\xA3"), "%C9%CF%BA%A3");
    EXPECT_EQ(percent_encode_local(std::string("a\0~", 3)), "%61%00%7E");
}

TEST(PercentEncode, UnreservedKeepsOnlyLettersDigitsAndFourMarks) {
    std::string every_byte;
    for (int b = 0; b < 256; ++b) every_byte.push_back(static_cast<char>(b));
    const std::string encoded = percent_encode_unreserved(every_byte);
    std::string expected;
    for (int b = 0; b < 256; ++b) {
        const bool keep = std::isalnum(b) != 0 || b == '-' || b == '.' || b == '_' || b == '~';
        if (keep) {
            expected.push_back(static_cast<char>(b));
        } else {
            static const char hex[] = "0123456789ABCDEF";
            expected += {'%', hex[b >> 4], hex[b & 15]};
        }
    }
    EXPECT_EQ(encoded, expected);
}

}  // namespace
}  // namespace mervolt
