// The web client's request logic against the recording fake transport: which calls, flags,
// header lines and retries each situation produces, and what the body readers make of a reply.
#include "support/web_client.h"

#include <gtest/gtest.h>

#include "fakes/fake_http_transport.h"
#include "support/gzip_fixture.h"
#include "support/web_request.h"

namespace mervolt {
namespace {


constexpr std::uint32_t plain_flags = 0x84003000 | 0x00200000 | 0x00080000 | 0x00004000;
const std::string accept_line = "Accept: */*";
const std::string language_line = "Accept-Language: zh-CN,zh;q=0.8,en-US;q=0.5,en;q=0.3";
const std::string form_line = "Content-Type:application/x-www-form-urlencoded";

FakeExchange reply(std::string headers, std::string body = {}) {
    FakeExchange exchange;
    exchange.raw_headers = "HTTP/1.1 200 OK\r\n" + headers + "\r\n";
    exchange.body = std::move(body);
    return exchange;
}

FakeExchange redirect(std::string location) { return reply("Location: " + location + "\r\n"); }

class WebClientTest : public ::testing::Test {
protected:
    FakeHttpTransport transport;
    std::unique_ptr<WebClient> client = std::make_unique<WebClient>(transport);

    bool post(std::string_view url) { return client->post_text(url, {}, {}, {}); }
    const FakeRequest& request(std::size_t n) { return transport.requests.at(n); }
};

TEST_F(WebClientTest, FreshPostSendsTheDefaultsAndNothingElse) {
    ASSERT_TRUE(post("srv/x?a=b"));
    ASSERT_EQ(transport.agents, std::vector<std::string>{"Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)"});
    ASSERT_EQ(transport.requests.size(), 1u);
    const auto& sent = request(0);
    EXPECT_EQ(sent.host, "srv");
    EXPECT_EQ(sent.port, 80);
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.path, "/x?a=b");
    EXPECT_EQ(sent.version, "HTTP/1.1");
    EXPECT_EQ(sent.flags, plain_flags);
    EXPECT_EQ(sent.options.at(HttpOption::security_flags), 0x1F380u);
    EXPECT_EQ(sent.options.at(HttpOption::http_decoding), 1u);
    // No cookies: no Cookie line at all.
    EXPECT_EQ(sent.headers_with(0xA0000000), std::vector<std::string>{});
    EXPECT_EQ(sent.headers_with(0x10000000), (std::vector<std::string>{accept_line, language_line, form_line}));
    EXPECT_EQ(sent.sends, std::vector<std::string>{""});
}

TEST_F(WebClientTest, SecondRequestNamesTheFirstAsReferer) {
    post("srv/x?a=b");
    client->get("http://other:81/y", {}, {});
    EXPECT_EQ(request(1).headers_with(0x10000000),
              (std::vector<std::string>{accept_line, language_line, "Referer: http://srv/x?a=b"}));
}

TEST_F(WebClientTest, CallerRefererWinsOverTheObjectsOwn) {
    post("srv/a");
    client->post_text("srv/b", {}, {}, "Referer: http://elsewhere/");
    const auto defaults = request(1).headers_with(0x10000000);
    EXPECT_EQ(defaults, (std::vector<std::string>{accept_line, language_line, form_line}));
    EXPECT_EQ(request(1).headers_with(0xA0000000), (std::vector<std::string>{"Referer: http://elsewhere/"}));
}

TEST_F(WebClientTest, SchemeDecidesPortAndSecureFlag) {
    const struct {
        const char* url;
        int port;
        std::uint32_t flags;
    } cases[] = {
        {"HTTPS://srv/x", 443, 0x84003000 | 0x00200000 | 0x00080000 | 0x00800000},
        {"https://srv:8443/x", 8443, 0x84003000 | 0x00200000 | 0x00080000 | 0x00800000},
        {"Http://srv/x", 80, plain_flags},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        post(cases[i].url);
        EXPECT_EQ(request(i).port, cases[i].port) << cases[i].url;
        EXPECT_EQ(request(i).flags, cases[i].flags) << cases[i].url;
        EXPECT_EQ(request(i).path, "/x");
    }
}

TEST_F(WebClientTest, PersistentHeadersExtraHeadersThenDefaults) {
    client->set_header("X-A", "1");
    client->set_header("X-B", "2");
    client->set_header("X-A", "3");  // same name: new value, same place
    client->set_header("X-C", "");   // a new name without a value is not kept
    client->set_header("X-B", "");   // the empty value removes
    client->set_header("X-D", "4");
    client->set_client_address("10.1.2.3");
    client->post_text("srv/", {}, {}, "Accept: text/html\r\nX-E: 5");
    EXPECT_EQ(request(0).headers_with(0xA0000000),
              (std::vector<std::string>{"X-A:3", "X-D:4", "Accept: text/html", "X-E: 5"}));
    EXPECT_EQ(request(0).headers_with(0x10000000),
              (std::vector<std::string>{accept_line, language_line, "X-Forwarded-For:10.1.2.3", "CLIENT_IP:10.1.2.3",
                                        "VIA:10.1.2.3", "REMOTE_ADDR:10.1.2.3", form_line}));
    client->clear_headers();
    client->get("srv/", {}, {});
    EXPECT_EQ(request(1).headers_with(0xA0000000), std::vector<std::string>{});
}

TEST_F(WebClientTest, ConnectionFailuresAreRetriedElevenTimesOthersNot) {
    const struct {
        std::vector<std::uint32_t> errors;
        bool every = false;
        bool received;
        std::size_t sends;
    } cases[] = {
        {{12029}, true, false, 11},        // server down: 11 attempts, then false
        {{12031}, true, false, 11},        // reset every time
        {{12002}, true, false, 1},         // a time-out is not retried
        {{12007}, true, false, 1},         // nor an unknown name
        {{12029, 12031, 12029}, false, true, 4},
        {std::vector<std::uint32_t>(10, 12029), false, true, 11},  // the eleventh attempt gets through
    };
    for (const auto& c : cases) {
        FakeHttpTransport fresh;
        WebClient web(fresh);
        FakeExchange exchange = reply("", "body");
        if (c.every) {
            exchange.every_send_fails = c.errors.front();
        } else {
            exchange.send_errors = c.errors;
        }
        fresh.script.push_back(exchange);
        EXPECT_EQ(web.post_text("srv/x", "data", {}, {}), c.received);
        ASSERT_EQ(fresh.requests.size(), 1u);
        EXPECT_EQ(fresh.requests[0].sends, std::vector<std::string>(c.sends, "data"));
        EXPECT_EQ(web.response_text(), c.received ? "body" : "");
    }
}

TEST_F(WebClientTest, NoBodyOutsideAPost) {
    client->get("srv/", {}, {});
    client->request("put", "srv/", byte_span("data"), {}, {});
    client->request_with_method("post", "srv/", byte_span("data"), {}, {});
    EXPECT_EQ(request(0).sends, std::vector<std::string>{""});
    EXPECT_EQ(request(1).method, "PUT");
    EXPECT_EQ(request(1).sends, std::vector<std::string>{""});
    EXPECT_EQ(request(2).method, "POST");
    EXPECT_EQ(request(2).sends, std::vector<std::string>{"data"});
}

TEST_F(WebClientTest, CookieJarFollowsSetCookieLines) {
    const struct {
        const char* set_cookie;  // the lines of one response
        const char* next_cookie; // the Cookie line of the request after it
    } steps[] = {
        {"Set-Cookie: sid=abc; path=/\r\n", "Cookie:sid=abc"},
        {"Set-Cookie: sid=def; path=/\r\n", "Cookie:sid=def"},
        {"Set-Cookie: sid=; path=/\r\n", "Cookie:sid=def"},      // empty value: no change
        {"Set-Cookie: sid=ghi\r\n", "Cookie:sid=def"},           // no ";": no change
        {"Set-Cookie: lang=zh; path=/\r\nSet-Cookie: sid=jkl; HttpOnly\r\n", "Cookie:sid=jkl; lang=zh"},
        {"Set-Cookie:tok=1;\r\n", "Cookie:sid=jkl; lang=zh; tok=1"},  // no blank after the colon
        {"Set-Cookie: a;b=c\r\n", "Cookie:sid=jkl; lang=zh; tok=1"},  // ";" before "=": no cookie
        {"", "Cookie:sid=jkl; lang=zh; tok=1"},
    };
    for (const auto& step : steps) {
        transport.script.push_back(reply(step.set_cookie));
        transport.script.push_back(reply(""));
    }
    std::size_t n = 0;
    for (const auto& step : steps) {
        post(n % 2 == 0 ? "srv/a" : "other.host:81/b");  // the jar goes to every host
        post("srv/next");
        EXPECT_EQ(request(2 * n + 1).headers_with(0xA0000000).front(), step.next_cookie) << step.set_cookie;
        ++n;
    }
}

TEST_F(WebClientTest, ExtraCookiesJoinTheJarForOneRequestOnly) {
    transport.script.push_back(reply("Set-Cookie: sid=abc; path=/\r\n"));
    post("srv/");
    client->post_text("srv/", {}, "sid=zzz; x=1; broken; empty=", {});
    post("srv/");
    EXPECT_EQ(request(1).headers_with(0xA0000000).front(), "Cookie:sid=zzz; x=1");
    EXPECT_EQ(request(2).headers_with(0xA0000000).front(), "Cookie:sid=abc");
}

TEST_F(WebClientTest, JarOperations) {
    EXPECT_TRUE(client->merge_cookies("a=1; b=2; c; d="));
    EXPECT_EQ(client->cookie_value("", false), "a=1; b=2");
    EXPECT_EQ(client->cookie_value("b", false), "2");
    EXPECT_EQ(client->cookie_value("b", true), "b=2");
    EXPECT_EQ(client->cookie_value("B", false), "");  // names are exact
    EXPECT_TRUE(client->merge_cookies("b=3; e=5"));
    EXPECT_EQ(client->cookie_header_value("a=9"), "a=9; b=3; e=5");
    EXPECT_EQ(client->cookie_value("a", false), "1");  // the extra cookies did not reach the jar
    EXPECT_TRUE(client->remove_cookies("a; e=whatever"));
    EXPECT_EQ(client->cookie_value("", false), "b=3");
    EXPECT_TRUE(client->remove_cookies(""));
    EXPECT_EQ(client->cookie_value("", false), "");
}

TEST_F(WebClientTest, ResponseCookieReadsTheLastResponse) {
    transport.script.push_back(reply("Set-Cookie: sid=abc; path=/\r\nSet-Cookie: sid=second; path=/\r\n"));
    post("srv/");
    EXPECT_EQ(client->response_cookie("sid"), "second");
    EXPECT_EQ(client->response_cookie("none"), "");
}

TEST_F(WebClientTest, RedirectTargets) {
    const struct {
        const char* url;
        const char* location;
        const char* host;
        int port;
        const char* path;
    } cases[] = {
        {"http://srv:8080/dir/page", "/next", "srv", 8080, "/next"},
        {"http://srv/dir/page?q=a/b", "next?z=1", "srv", 80, "/dir/next?z=1"},
        {"http://srv", "next", "srv", 80, "/next"},
        {"http://srv/dir/", "HTTP://other:81/abs", "other", 81, "/abs"},
        {"https://srv/dir/page", "/next", "srv", 443, "/next"},
    };
    for (const auto& c : cases) {
        FakeHttpTransport fresh;
        WebClient web(fresh);
        fresh.script = {redirect(c.location), reply("", "final")};
        ASSERT_TRUE(web.post_text(c.url, "form", {}, {})) << c.url;
        ASSERT_EQ(fresh.requests.size(), 2u) << c.url;
        const auto& hop = fresh.requests[1];
        EXPECT_EQ(hop.method, "GET");
        EXPECT_EQ(hop.host, c.host);
        EXPECT_EQ(hop.port, c.port);
        EXPECT_EQ(hop.path, c.path) << c.url;
        EXPECT_EQ(hop.sends, std::vector<std::string>{""});
        // The hop names the previous address as referer and carries no form type.
        EXPECT_EQ(hop.headers_with(0x10000000),
                  (std::vector<std::string>{accept_line, language_line,
                                            "Referer: " + normalise_web_address(c.url)}));
        EXPECT_EQ(web.response_text(), "final");
    }
}

TEST_F(WebClientTest, RedirectTargetRules) {
    const struct {
        const char* headers;
        const char* target;
    } cases[] = {
        {"Location:   /spaced   \r\n", "http://srv:80/spaced"},  // blanks trimmed, port written out
        {"location: /lower\r\n", "http://srv:80/lower"},
        {"Content-Location: /elsewhere\r\n", ""},
        {"Location: \r\n", ""},
    };
    for (const auto& c : cases) {
        FakeHttpTransport fresh;
        WebClient web(fresh);
        fresh.script = {reply(c.headers)};
        web.set_redirect_mode(1);
        web.get("srv/start", {}, {});
        EXPECT_EQ(web.redirect_target(true), c.target) << c.headers;
    }
    FakeHttpTransport fresh;
    WebClient web(fresh);
    FakeExchange unterminated;
    unterminated.raw_headers = "HTTP/1.1 302 Found\r\nLocation: /x";
    fresh.script = {unterminated};
    web.get("srv/", {}, {});
    EXPECT_EQ(web.redirect_target(true), "");
}

TEST_F(WebClientTest, RedirectModes) {
    const struct {
        int mode;
        bool auto_redirect_off;
        std::size_t requests;
    } cases[] = {{0, true, 2}, {1, true, 1}, {2, false, 1}, {3, false, 2}, {7, false, 1}};
    for (const auto& c : cases) {
        FakeHttpTransport fresh;
        WebClient web(fresh);
        web.set_redirect_mode(c.mode);
        fresh.script = {redirect("/next"), reply("", "final")};
        EXPECT_TRUE(web.get("srv/", {}, {}));
        EXPECT_EQ((fresh.requests[0].flags & 0x00200000) != 0, c.auto_redirect_off) << c.mode;
        EXPECT_EQ(fresh.requests.size(), c.requests) << c.mode;
    }
}

TEST_F(WebClientTest, RedirectLoopEndsAfterTenHopsLikeAFailedHop) {
    transport.script.assign(50, redirect("/loop"));
    ASSERT_TRUE(post("srv/start"));
    EXPECT_EQ(transport.requests.size(), 1u + WebClient::max_redirect_hops);
    EXPECT_EQ(client->response_text(), "");
    EXPECT_EQ(client->status_code(), 0);
}

TEST_F(WebClientTest, TenHopsAreStillFollowed) {
    for (int i = 0; i < WebClient::max_redirect_hops; ++i) transport.script.push_back(redirect("/hop"));
    transport.script.push_back(reply("", "arrived"));
    ASSERT_TRUE(post("srv/start"));
    EXPECT_EQ(client->response_text(), "arrived");
}

TEST_F(WebClientTest, FailedHopStillCountsAsReceivedWithEmptyText) {
    FakeExchange dead;
    dead.every_send_fails = 12002;
    transport.script = {reply("Location: /next\r\n", "redirect page"), dead};
    EXPECT_TRUE(post("srv/"));
    EXPECT_EQ(client->response_text(), "");
}

TEST_F(WebClientTest, ReadBufferFollowsTheDeclaredLengthWithinLimits) {
    const struct {
        const char* length_header;
        std::size_t buffer;
    } cases[] = {
        {"Content-Length: 5\r\n", 5},
        {"content-length:7\r\n", 7},
        {"Content-Length: 0\r\n", 10240},           // stored as "no length"
        {"", 10240},
        {"Content-Length: 1048577\r\n", 1048576},
        {"Content-Length: 99999999999999\r\n", 1048576},  // never sizes a buffer beyond 1 MiB
        {"Content-Length: -5\r\n", 10240},
        {"Content-Length: abc\r\n", 10240},
        {"X-Content-Length: 5\r\n", 10240},
    };
    for (const auto& c : cases) {
        FakeHttpTransport fresh;
        WebClient web(fresh);
        fresh.script = {reply(c.length_header, "hello")};
        ASSERT_TRUE(web.get("srv/", {}, {}));
        EXPECT_EQ(web.response_text(), "hello") << c.length_header;
        ASSERT_FALSE(fresh.requests[0].read_sizes.empty());
        EXPECT_EQ(fresh.requests[0].read_sizes.front(), c.buffer) << c.length_header;
    }
}

TEST_F(WebClientTest, BodyWithoutLengthIsReadToTheEnd) {
    std::string body;
    for (int i = 0; body.size() < 100000; ++i) body += std::to_string(i) + ",";
    transport.script = {reply("", body)};
    post("srv/");
    EXPECT_EQ(client->response_text(), body);
}

TEST_F(WebClientTest, BodyIsReadOnceAndGivenAgainUntilTheNextRequest) {
    transport.script = {reply("", "first"), reply("", "second")};
    post("srv/");
    EXPECT_EQ(client->response_text(), "first");
    const std::size_t reads = request(0).read_sizes.size();
    EXPECT_EQ(client->response_text(), "first");
    EXPECT_EQ(client->response_bytes(), (std::vector<std::uint8_t>{'f', 'i', 'r', 's', 't'}));
    EXPECT_EQ(request(0).read_sizes.size(), reads);
    post("srv/");
    EXPECT_EQ(client->response_text(), "second");
}

TEST_F(WebClientTest, Utf8ReplyInTheLocalCodePage) {
    transport.script = {reply("Content-Encoding: gzip\r\n", gzip_compress("\xE4\xB8\x8A\xE6\xB5\xB7|ok"))};
    post("srv/");
    EXPECT_EQ(client->response_text_utf8(), "上海|ok");
}

TEST_F(WebClientTest, ReadFailingMidwayKeepsTheBytesSoFar) {
    FakeExchange cut = reply("Content-Length: 100\r\n", std::string(100, 'a'));
    cut.read_fails_after = 40;
    transport.script = {cut};
    post("srv/");
    EXPECT_EQ(client->response_text(), std::string(40, 'a'));
}

TEST_F(WebClientTest, EndlessBodyStopsAtTheCapAndGivesNothing) {
    FakeExchange endless = reply("");
    endless.endless_body = true;
    transport.script = {endless};
    post("srv/");
    EXPECT_EQ(client->response_text(), "");
}

TEST_F(WebClientTest, GzipDecodingFollowsTheHeader) {
    const std::string packed = gzip_compress("2030-01-01|gold|ok");
    const struct {
        const char* headers;
        std::string body;
        std::string text;
    } cases[] = {
        {"Content-Encoding: gzip\r\n", packed, "2030-01-01|gold|ok"},
        {"Content-Encoding: GZIP\r\n", packed, "2030-01-01|gold|ok"},
        {"content-encoding: Gzip\r\n", packed, "2030-01-01|gold|ok"},
        {"Content-Encoding:gzip\r\n", packed, packed},           // no blank: not taken as gzip
        {"Content-Encoding: gzip\r\n", "plain text", ""},        // not gzip after all
        {"Content-Encoding: gzip\r\n", gzip_compress(std::string(17u << 20, '\0')), ""},  // a bomb
        {"", packed, packed},
    };
    for (const auto& c : cases) {
        FakeHttpTransport fresh;
        WebClient web(fresh);
        fresh.script = {reply(c.headers, c.body)};
        web.get("srv/", {}, {});
        EXPECT_EQ(web.response_text(), c.text) << c.headers;
        EXPECT_EQ(web.response_text(), c.text) << c.headers;
    }
}

TEST_F(WebClientTest, HeaderQueryFailureStillCountsAsReceived) {
    FakeExchange headless;
    headless.raw_headers = std::nullopt;
    headless.body = "body";
    transport.script = {headless};
    EXPECT_TRUE(post("srv/"));
    EXPECT_EQ(client->response_text(), "body");
    ASSERT_FALSE(request(0).read_sizes.empty());
    EXPECT_EQ(request(0).read_sizes.front(), 10240u);
}

TEST_F(WebClientTest, FailuresBeforeSendingGiveFalseAndEmptyText) {
    EXPECT_FALSE(post(""));  // normalised to "http://": no host
    FakeHttpTransport refusing;
    refusing.refuse_connect = true;
    WebClient unconnected(refusing);
    EXPECT_FALSE(unconnected.post_text("srv/", {}, {}, {}));
    EXPECT_EQ(unconnected.response_text(), "");
    FakeHttpTransport rootless;
    rootless.fail_open_root = true;
    WebClient without_root(rootless);
    EXPECT_FALSE(without_root.post_text("srv/", {}, {}, {}));
    EXPECT_EQ(without_root.response_text(), "");
    EXPECT_FALSE(without_root.set_timeouts());
    EXPECT_TRUE(rootless.requests.empty());
}

TEST_F(WebClientTest, StatusCodeAndResponseHeader) {
    EXPECT_EQ(client->status_code(), 0);
    FakeExchange missing = reply("Server:   demo\r\nX-Empty:\r\n", "gone");
    missing.raw_headers = "HTTP/1.1 404 Not Found\r\nServer:   demo\r\nX-Empty:\r\n\r\n";
    missing.status = 404;
    transport.script = {missing};
    EXPECT_TRUE(post("srv/"));
    EXPECT_EQ(client->status_code(), 404);
    EXPECT_EQ(client->response_text(), "gone");  // an error page is a response like any other
    EXPECT_EQ(client->response_header("server"), "demo");
    EXPECT_EQ(client->response_header("X-Empty"), "");
    EXPECT_EQ(client->response_header("Absent"), "");
    EXPECT_EQ(client->response_header(""), *missing.raw_headers);
}

TEST_F(WebClientTest, SettingsReachTheTransport) {
    EXPECT_TRUE(client->set_timeouts());
    EXPECT_TRUE(client->set_timeouts(1000, std::nullopt, 3000));
    EXPECT_EQ(transport.root_options,
              (std::vector<std::pair<HttpOption, std::uint32_t>>{{HttpOption::connect_timeout, 15000},
                                                                 {HttpOption::send_timeout, 120000},
                                                                 {HttpOption::receive_timeout, 300000},
                                                                 {HttpOption::connect_timeout, 1000},
                                                                 {HttpOption::send_timeout, 120000},
                                                                 {HttpOption::receive_timeout, 3000}}));
    EXPECT_TRUE(client->set_proxy("proxy:3128", "user", "secret"));
    post("srv/");
    EXPECT_EQ(transport.text_options, (std::vector<std::pair<HttpOption, std::string>>{
                                          {HttpOption::proxy_user_name, "user"}, {HttpOption::proxy_password, "secret"}}));
    EXPECT_TRUE(client->set_proxy("", "ignored", "ignored"));
    post("srv/");
    EXPECT_EQ(transport.text_options.size(), 2u);  // direct again: no proxy credentials
    EXPECT_EQ(transport.proxies, (std::vector<std::pair<std::uint32_t, std::string>>{{3, "proxy:3128"}, {1, ""}}));
}

TEST_F(WebClientTest, CopyKeepsSettingsButOwnsItsHandles) {
    transport.script = {reply("Set-Cookie: sid=abc; path=/\r\n", "body")};
    client->set_header("X-A", "1");
    post("srv/");
    std::unique_ptr<WebClient> twin = client->copy();
    EXPECT_EQ(transport.agents.size(), 2u);
    EXPECT_EQ(twin->cookie_value("sid", false), "abc");
    EXPECT_EQ(twin->response_text(), "");  // the body belongs to the original's request
    EXPECT_EQ(client->response_text(), "body");
    twin->post_text("srv/", {}, {}, {});
    EXPECT_EQ(request(1).headers_with(0xA0000000), (std::vector<std::string>{"Cookie:sid=abc", "X-A:1"}));
    twin.reset();
    client.reset();
    EXPECT_EQ(transport.open_handles(), 0);
}

TEST_F(WebClientTest, CloseAllForgetsEverythingButTheClientAddress) {
    transport.script = {reply("Set-Cookie: sid=abc; path=/\r\n", "body")};
    client->set_client_address("10.0.0.1");
    client->set_header("X-A", "1");
    post("srv/");
    client->reopen_root();
    EXPECT_EQ(transport.open_handles(), 1);  // the new root
    EXPECT_EQ(client->response_text(), "");
    EXPECT_EQ(client->cookie_value("", false), "");
    post("srv/");
    EXPECT_EQ(request(1).headers_with(0xA0000000), std::vector<std::string>{});
    const auto defaults = request(1).headers_with(0x10000000);
    EXPECT_EQ(defaults[2], "X-Forwarded-For:10.0.0.1");
    EXPECT_EQ(defaults.back(), form_line);  // no referer after the reset
}

}  // namespace
}  // namespace mervolt
