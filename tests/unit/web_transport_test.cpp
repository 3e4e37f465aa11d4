// The web client and the one-shot fetch over the platform's own transport (libcurl natively,
// WinInet in the Windows build under Wine) against the scripted loopback server: what really goes
// over the wire, and what comes back of what the server sends, faults included.
#include <gtest/gtest.h>

#include <functional>

#include "platform/platform_faces.h"
#include "support/fetch_page.h"
#include "support/gzip_fixture.h"
#include "support/scripted_http_server.h"
#include "support/web_client.h"

namespace mervolt {
namespace {


using Answer = ScriptedReply::Answer;
using Ending = ScriptedReply::Ending;

const char* const agent = "Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)";
const char* const languages = "zh-CN,zh;q=0.8,en-US;q=0.5,en;q=0.3";

// A header the server must (value) or must not (nullopt) have seen on one request. In values,
// "{self}" stands for the server's base address and "{authority}" for its host:port.
struct HeaderCheck {
    bool other_server = false;
    std::size_t request = 0;
    const char* name;
    std::optional<std::string> value;
};

ScriptedReply ok(std::string body, std::vector<std::string> headers = {}) {
    ScriptedReply reply;
    reply.body = std::move(body);
    reply.headers = std::move(headers);
    return reply;
}

ScriptedReply status(std::string status_line, std::vector<std::string> headers, std::string body = {}) {
    ScriptedReply reply = ok(std::move(body), std::move(headers));
    reply.status_line = std::move(status_line);
    return reply;
}

ScriptedReply answer(Answer how) {
    ScriptedReply reply;
    reply.answer = how;
    return reply;
}

ScriptedReply cut(std::string body, std::size_t sent, Ending ending) {
    ScriptedReply reply = ok(std::move(body));
    reply.body_cut = sent;
    reply.ending = ending;
    return reply;
}

ScriptedReply undelimited(std::string body) {
    ScriptedReply reply = ok(std::move(body));
    reply.content_length = false;
    return reply;
}

ScriptedReply declared(std::size_t length, std::string body) {
    ScriptedReply reply = ok(std::move(body));
    reply.declared_length = length;
    return reply;
}

std::string numbered_text(std::size_t size) {
    std::string text;
    for (int i = 0; text.size() < size; ++i) text += std::to_string(i) + ",";
    return text;
}

std::string expand(std::string text, const ScriptedHttpServer& server) {
    const std::string authority = server.host() + ":" + std::to_string(server.port());
    for (const auto& [mark, value] : {std::pair<std::string, std::string>{"{self}", server.base_url()},
                                      {"{authority}", authority}}) {
        for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark)) text.replace(at, mark.size(), value);
    }
    return text;
}

std::vector<std::string> request_lines(const std::vector<RecordedRequest>& requests) {
    std::vector<std::string> lines;
    for (const RecordedRequest& request : requests) lines.push_back(request.request_line);
    return lines;
}

void check_headers(const std::vector<HeaderCheck>& checks, const ScriptedHttpServer& server,
                   const ScriptedHttpServer* other) {
    for (const HeaderCheck& check : checks) {
        const ScriptedHttpServer& seen_by = check.other_server ? *other : server;
        const std::vector<RecordedRequest> requests = seen_by.requests();
        ASSERT_LT(check.request, requests.size()) << check.name;
        const std::optional<std::string> value = requests[check.request].header(check.name);
        if (check.value) {
            EXPECT_EQ(value, expand(*check.value, seen_by)) << check.name << " of request " << check.request;
        } else {
            EXPECT_FALSE(value) << check.name << " of request " << check.request << ": " << value.value_or("");
        }
    }
}

// --- The web client ------------------------------------------------------------------------------

struct ClientCase {
    const char* id;
    std::vector<ScriptedReply> replies;
    std::string text;                        // response_text after the last exchange, read twice
    std::vector<std::string> request_lines;  // every request the server saw, in order
    std::vector<HeaderCheck> headers = {};
    bool received = true;
    int exchanges = 1;                       // post_text calls in a row
    const char* path = "/x?a=b";
    std::function<void(WebClient&)> prepare = {};
    std::vector<ScriptedReply> other_replies = {};  // a second server, "{other}" in headers
    std::vector<std::string> other_request_lines = {};
    bool closed_port = false;                // talk to a port nobody listens on
};

const std::string packed_reply = gzip_compress("2030-01-01|gold|ok");

const std::vector<ClientCase> client_cases = {
    {.id = "FreshPostSendsTheDefaultHeaders",
     .replies = {ok("ok")},
     .text = "ok",
     .request_lines = {"POST /x?a=b HTTP/1.1"},
     .headers = {{.name = "Accept", .value = "*/*"},
                 {.name = "Accept-Language", .value = languages},
                 {.name = "Content-Type", .value = "application/x-www-form-urlencoded"},
                 {.name = "User-Agent", .value = agent},
                 {.name = "Host", .value = "{authority}"},
                 {.name = "Content-Length", .value = "0"},
                 {.name = "Cookie", .value = std::nullopt},
                 {.name = "Referer", .value = std::nullopt},
                 {.name = "Accept-Encoding", .value = std::nullopt}}},
    {.id = "SecondRequestNamesTheFirstAsReferer",
     .replies = {ok("first"), ok("second")},
     .text = "second",
     .request_lines = {"POST /x?a=b HTTP/1.1", "POST /x?a=b HTTP/1.1"},
     .headers = {{.request = 0, .name = "Referer", .value = std::nullopt},
                 {.request = 1, .name = "Referer", .value = "{self}/x?a=b"}},
     .exchanges = 2},
    {.id = "OwnAcceptWinsAndTheOtherDefaultsStay",
     .replies = {ok("ok")},
     .text = "ok",
     .request_lines = {"POST /x?a=b HTTP/1.1"},
     .headers = {{.name = "Accept", .value = "text/html"},
                 {.name = "Accept-Language", .value = languages},
                 {.name = "Content-Type", .value = "application/x-www-form-urlencoded"},
                 {.name = "X-Trace", .value = "7"}},
     .prepare = [](WebClient& client) {
         client.set_header("Accept", "text/html");
         client.set_header("X-Trace", "7");
     }},
    {.id = "CookieJarSetReplacedAndBadLinesIgnored",
     .replies = {ok("", {"Set-Cookie: sid=abc; path=/"}), ok("", {"Set-Cookie: sid=def; path=/"}),
                 ok("", {"Set-Cookie: sid=; path=/", "Set-Cookie: sid=ghi"}), ok("done")},
     .text = "done",
     .request_lines = std::vector<std::string>(4, "POST /x?a=b HTTP/1.1"),
     .headers = {{.request = 0, .name = "Cookie", .value = std::nullopt},
                 {.request = 1, .name = "Cookie", .value = "sid=abc"},
                 {.request = 2, .name = "Cookie", .value = "sid=def"},
                 {.request = 3, .name = "Cookie", .value = "sid=def"}},
     .exchanges = 4},
    {.id = "RootedLocationIsFollowedWithAGet",
     .replies = {status("HTTP/1.1 302 Found", {"Location: /next"}, "moved"), ok("next page")},
     .text = "next page",
     .request_lines = {"POST /dir/page HTTP/1.1", "GET /next HTTP/1.1"},
     .headers = {{.request = 1, .name = "Referer", .value = "{self}/dir/page"},
                 {.request = 1, .name = "Content-Type", .value = std::nullopt},
                 {.request = 1, .name = "Accept", .value = "*/*"}},
     .path = "/dir/page"},
    {.id = "RelativeLocationIsFollowedInTheSameDirectory",
     .replies = {status("HTTP/1.1 302 Found", {"Location: next?z=1"}), ok("next page")},
     .text = "next page",
     .request_lines = {"POST /dir/page HTTP/1.1", "GET /dir/next?z=1 HTTP/1.1"},
     .path = "/dir/page"},
    {.id = "AbsoluteLocationGoesToTheOtherServerWithTheCookies",
     .replies = {status("HTTP/1.1 302 Found", {"Set-Cookie: sid=abc; path=/", "Location: {other}/abs"})},
     .text = "there",
     .request_lines = {"POST /x?a=b HTTP/1.1"},
     .headers = {{.other_server = true, .name = "Cookie", .value = "sid=abc"}},
     .other_replies = {ok("there")},
     .other_request_lines = {"GET /abs HTTP/1.1"}},
    {.id = "ContentLocationIsNotFollowed",
     .replies = {ok("here", {"Content-Location: /elsewhere"})},
     .text = "here",
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    {.id = "RedirectLoopEndsAfterTenHops",
     .replies = {status("HTTP/1.1 302 Found", {"Location: /loop"}, "again")},
     .text = "",
     .request_lines = [] {
         std::vector<std::string> lines{"POST /x?a=b HTTP/1.1"};
         lines.insert(lines.end(), 10, "GET /loop HTTP/1.1");
         return lines;
     }()},
    {.id = "ErrorPageIsAResponse",
     .replies = {status("HTTP/1.1 404 Not Found", {}, "missing")},
     .text = "missing",
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    {.id = "DeclaredLengthZero",
     .replies = {ok("")},
     .text = "",
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    {.id = "NoLengthHeaderIsReadToTheClose",
     .replies = {undelimited(numbered_text(100000))},
     .text = numbered_text(100000),
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    {.id = "BodyLongerThanTheReadBuffer",
     .replies = {ok(numbered_text(3u << 20))},
     .text = numbered_text(3u << 20),
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    {.id = "HugeDeclaredLengthGivesWhatArrived",
     .replies = {declared(2000000000, "partial")},
     .text = "partial",
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    {.id = "ShortBodyGivesTheBytesSoFar",
     .replies = {cut(std::string(100, 's'), 40, Ending::close)},
     .text = std::string(40, 's'),
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    {.id = "ResetMidBodyGivesTheBytesSoFar",
     .replies = {cut(std::string(100, 'r'), 40, Ending::reset)},
     .text = std::string(40, 'r'),
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    {.id = "GzipInUpperCaseIsDecoded",
     .replies = {ok(packed_reply, {"Content-Encoding: GZIP"})},
     .text = "2030-01-01|gold|ok",
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    // The HTTP layer undoes the coding itself (HTTP decoding is on), so this body arrives decoded
    // whatever the spelling; what matters is that it is never decoded twice.
    {.id = "GzipWithoutBlankIsDecodedOnce",
     .replies = {ok(packed_reply, {"Content-Encoding:gzip"})},
     .text = "2030-01-01|gold|ok",
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    {.id = "GzipHeaderOverPlainBodyGivesNothing",
     .replies = {ok("2030-01-01|gold|ok", {"Content-Encoding: gzip"})},
     .text = "",
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    {.id = "GzipBombGivesNothing",
     .replies = {ok(gzip_compress(std::string(17u << 20, '\0')), {"Content-Encoding: gzip"})},
     .text = "",
     .request_lines = {"POST /x?a=b HTTP/1.1"}},
    {.id = "SlowReplyWithinTheTimeOutArrives",
     .replies = {[] {
         ScriptedReply slow = ok("late but here");
         slow.delay_ms = 300;
         return slow;
     }()},
     .text = "late but here",
     .request_lines = {"POST /x?a=b HTTP/1.1"},
     .prepare = [](WebClient& client) { client.set_timeouts(5000, 5000, 5000); }},
    {.id = "SilentServerEndsByTheReceiveTimeOut",
     .replies = {answer(Answer::never)},
     .text = "",
     .request_lines = {"POST /x?a=b HTTP/1.1"},
     .received = false,
     .prepare = [](WebClient& client) { client.set_timeouts(1000, 1000, 1000); }},
    {.id = "ServerClosingWithoutAnswerSentNoResponse",
     .replies = {answer(Answer::close_unanswered)},
     .text = "",
     .request_lines = {"POST /x?a=b HTTP/1.1"},
     .received = false},
    {.id = "ClosedPortFailsAfterItsAttempts",
     .replies = {ok("unused")},
     .text = "",
     .request_lines = {},
     .received = false,
     .closed_port = true},
};

void PrintTo(const ClientCase& c, std::ostream* out) { *out << c.id; }

class WebClientOverTransport : public ::testing::TestWithParam<ClientCase> {};

TEST_P(WebClientOverTransport, Exchange) {
    const ClientCase& c = GetParam();
    HttpTransport& transport = platform_http_transport();
    std::optional<ScriptedHttpServer> other;
    if (!c.other_replies.empty()) other.emplace(c.other_replies);
    ScriptedHttpServer server(c.replies);
    if (other) server.set_other(other->base_url());
    const ClosedPort closed = closed_loopback_port();
    WebClient client(transport);
    if (c.prepare) c.prepare(client);

    const std::string authority = c.closed_port ? closed.host + ":" + std::to_string(closed.port)
                                                : server.host() + ":" + std::to_string(server.port());
    bool received = false;
    for (int i = 0; i < c.exchanges; ++i) received = client.post_text(authority + c.path, {}, {}, {});
    EXPECT_EQ(received, c.received);
    const std::string text = client.response_text();
    EXPECT_EQ(text.size(), c.text.size());
    EXPECT_TRUE(text == c.text) << text.substr(0, 200);
    EXPECT_TRUE(client.response_text() == c.text) << "a second reading differs";
    EXPECT_EQ(request_lines(server.requests()), c.request_lines);
    for (const RecordedRequest& request : server.requests()) EXPECT_EQ(request.body, "") << request.request_line;
    if (other) {
        EXPECT_EQ(request_lines(other->requests()), c.other_request_lines);
    }
    check_headers(c.headers, server, other ? &*other : nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, WebClientOverTransport, ::testing::ValuesIn(client_cases),
                         [](const auto& info) { return std::string(info.param.id); });

// A reset before any answer: libcurl's is reported as a reset connection (12031), retried at once,
// 11 attempts in all; Wine's WinInet reports an aborted connection (12030), which is not retried.
TEST(WebClientOverTransportRetries, ResetBeforeAnswer) {
#ifdef _WIN32
    constexpr std::size_t attempts = 1;
#else
    constexpr std::size_t attempts = 11;
#endif
    HttpTransport& transport = platform_http_transport();
    ScriptedHttpServer server({answer(Answer::reset_unanswered)});
    WebClient client(transport);
    EXPECT_FALSE(client.post_text(server.host() + ":" + std::to_string(server.port()) + "/x", {}, {}, {}));
    EXPECT_EQ(server.requests().size(), attempts);
    EXPECT_EQ(client.response_text(), "");
}

// --- The one-shot fetch --------------------------------------------------------------------------

struct FetchCase {
    const char* id;
    std::vector<ScriptedReply> replies;
    std::string text;
    std::vector<std::string> request_lines;
    std::vector<HeaderCheck> headers = {};
    const char* path = "/where?x=1";
    bool with_scheme = false;    // "http://" in front of the address, or none
    bool no_redirect = false;
    std::int32_t timeout_ms = 0;
    std::string response_cookies = {};
    bool closed_port = false;
};

const std::vector<FetchCase> fetch_cases = {
    {.id = "AddressWithoutSchemeIsFetchedOverHttp",
     .replies = {ok("<title>203.0.113.7</title>")},
     .text = "<title>203.0.113.7</title>",
     .request_lines = {"GET /where?x=1 HTTP/1.1"},
     .headers = {{.name = "Accept", .value = "*/*"},
                 {.name = "Accept-Language", .value = languages},
                 {.name = "User-Agent", .value = agent},
                 {.name = "Referer", .value = "{authority}/where?x=1"},  // the address as given
                 {.name = "Cookie", .value = std::nullopt},
                 {.name = "Content-Type", .value = std::nullopt}}},
    {.id = "PathlessAddressAsksForTheRoot",
     .replies = {ok("root")},
     .text = "root",
     .request_lines = {"GET / HTTP/1.1"},
     .headers = {{.name = "Referer", .value = "{self}"}},
     .path = "",
     .with_scheme = true},
    {.id = "ErrorPageBodyIsTheResult",
     .replies = {status("HTTP/1.1 404 Not Found", {}, "<html>missing</html>")},
     .text = "<html>missing</html>",
     .request_lines = {"GET /where?x=1 HTTP/1.1"}},
    {.id = "ZeroByteCutsTheBody",
     .replies = {ok(std::string("before\0after", 12))},
     .text = "before",
     .request_lines = {"GET /where?x=1 HTTP/1.1"}},
    {.id = "GzipBodyArrivesDecoded",
     .replies = {ok(gzip_compress("<title>decoded</title>"), {"Content-Encoding: gzip"})},
     .text = "<title>decoded</title>",
     .request_lines = {"GET /where?x=1 HTTP/1.1"}},
    {.id = "RedirectIsFollowedByTheHttpLayer",
     .replies = {status("HTTP/1.1 302 Found", {"Location: /moved"}, "moved"), ok("final")},
     .text = "final",
     .request_lines = {"GET /where?x=1 HTTP/1.1", "GET /moved HTTP/1.1"}},
    {.id = "NoRedirectGivesTheRedirectItself",
     .replies = {status("HTTP/1.1 302 Found", {"Location: /moved"}, "moved"), ok("final")},
     .text = "moved",
     .request_lines = {"GET /where?x=1 HTTP/1.1"},
     .no_redirect = true},
    {.id = "ResponseCookiesAreReported",
     .replies = {ok("page", {"Set-Cookie: a=1; path=/", "Set-Cookie: b=2; HttpOnly", "Set-Cookie: c=3"})},
     .text = "page",
     .request_lines = {"GET /where?x=1 HTTP/1.1"},
     .response_cookies = "a=1; b=2"},
    {.id = "ShortBodyGivesTheBytesSoFar",
     .replies = {cut(std::string(3000, 's'), 2000, Ending::close)},
     .text = std::string(2000, 's'),
     .request_lines = {"GET /where?x=1 HTTP/1.1"}},
    {.id = "SilentServerEndsByTheTimeOut",
     .replies = {answer(Answer::never)},
     .text = "",
     .request_lines = {"GET /where?x=1 HTTP/1.1"},
     .timeout_ms = 1000},
    {.id = "ClosedPortGivesNothing",
     .replies = {ok("unused")},
     .text = "",
     .request_lines = {},
     .closed_port = true},
};

void PrintTo(const FetchCase& c, std::ostream* out) { *out << c.id; }

class FetchPageOverTransport : public ::testing::TestWithParam<FetchCase> {};

TEST_P(FetchPageOverTransport, Fetch) {
    const FetchCase& c = GetParam();
    HttpTransport& transport = platform_http_transport();
    ScriptedHttpServer server(c.replies);
    const ClosedPort closed = closed_loopback_port();
    const std::string authority = c.closed_port ? closed.host + ":" + std::to_string(closed.port)
                                                : server.host() + ":" + std::to_string(server.port());
    const std::string address = (c.with_scheme ? "http://" : "") + authority + c.path;
    std::string response_cookies;
    std::string response_headers;
    const std::string text = fetch_page(transport, address, FetchMethod::get, {}, nullptr, &response_cookies, {},
                                        &response_headers, c.no_redirect, {}, c.timeout_ms);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(request_lines(server.requests()), c.request_lines);
    EXPECT_EQ(response_cookies, c.response_cookies);
    if (!c.text.empty()) {
        EXPECT_TRUE(response_headers.starts_with("HTTP/1.1 ")) << response_headers;
    }
    check_headers(c.headers, server, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, FetchPageOverTransport, ::testing::ValuesIn(fetch_cases),
                         [](const auto& info) { return std::string(info.param.id); });

}  // namespace
}  // namespace mervolt
