// The one-shot fetch against the recording fake transport.
#include "support/fetch_page.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/fake_http_transport.h"
#include "support/web_request.h"

namespace mervolt {
namespace {


const std::string accept_line = "Accept: */*";
const std::string language_line = "Accept-Language: zh-CN,zh;q=0.8,en-US;q=0.5,en;q=0.3";

FakeExchange page(std::string headers, std::string body) {
    FakeExchange exchange;
    exchange.raw_headers = "HTTP/1.1 200 OK\r\n" + headers + "\r\n";
    exchange.body = std::move(body);
    return exchange;
}

TEST(FetchPage, AddressesAreNormalisedAndSplit) {
    const struct {
        const char* address;
        const char* host;
        int port;
        const char* path;
        std::uint32_t flags;
    } cases[] = {
        {"ip.example/where?x=1", "ip.example", 80, "/where?x=1", 0x84003000 | 0x00080000 | 0x00004000},
        {"https://ip.example", "ip.example", 443, "/", 0x84003000 | 0x00080000 | 0x00800000},
        {"HTTPS://ip.example:8443/a", "ip.example", 8443, "/a", 0x84003000 | 0x00080000 | 0x00800000},
        {"http://srv:5/a", "srv", 80, "/a", 0x84003000 | 0x00080000 | 0x00004000},
    };
    for (const auto& c : cases) {
        FakeHttpTransport transport;
        transport.script = {page("", "page")};
        EXPECT_EQ(fetch_page(transport, c.address), "page") << c.address;
        ASSERT_EQ(transport.requests.size(), 1u);
        const auto& sent = transport.requests[0];
        EXPECT_EQ(sent.host, c.host);
        EXPECT_EQ(sent.port, c.port);
        EXPECT_EQ(sent.method, "GET");
        EXPECT_EQ(sent.path, c.path);
        EXPECT_EQ(sent.version, "HTTP/1.1");
        EXPECT_EQ(sent.flags, c.flags) << c.address;
        // The referer is the address exactly as the caller gave it.
        EXPECT_EQ(sent.headers_with(0x10000000),
                  (std::vector<std::string>{accept_line, language_line, std::string("Referer: ") + c.address}));
        EXPECT_EQ(sent.headers_with(0xA0000000), std::vector<std::string>{});
        EXPECT_EQ(sent.options.at(HttpOption::security_flags), 0x1F380u);
        EXPECT_EQ(sent.options.at(HttpOption::http_decoding), 1u);
        EXPECT_EQ(sent.sends, std::vector<std::string>{""});
        EXPECT_EQ(transport.open_handles(), 0);  // everything closed again
    }
}

TEST(FetchPage, TimeOutGoesToAllThreeOptions) {
    for (const auto& [given, used] : {std::pair{0, 15000u}, std::pair{-1, 15000u}, std::pair{2500, 2500u}}) {
        FakeHttpTransport transport;
        fetch_page(transport, "srv/", FetchMethod::get, {}, nullptr, nullptr, {}, nullptr, false, {}, given);
        EXPECT_EQ(transport.root_options, (std::vector<std::pair<HttpOption, std::uint32_t>>{
                                              {HttpOption::connect_timeout, used},
                                              {HttpOption::send_timeout, used},
                                              {HttpOption::receive_timeout, used}}));
    }
}

TEST(FetchPage, BodyIsTheResultWhateverTheStatus) {
    const struct {
        std::string body;
        std::string result;
    } cases[] = {
        {"<html>not found</html>", "<html>not found</html>"},
        {std::string("before\0after", 12), "before"},  // the text ends at a zero byte
        {std::string(5000, 'p'), std::string(5000, 'p')},
    };
    for (const auto& c : cases) {
        FakeHttpTransport transport;
        FakeExchange missing = page("", c.body);
        missing.raw_headers = "HTTP/1.1 404 Not Found\r\n\r\n";
        missing.status = 404;
        transport.script = {missing};
        EXPECT_EQ(fetch_page(transport, "srv/"), c.result);
    }
}

TEST(FetchPage, BodyReadIn1024BytePiecesUntilAFailure) {
    FakeHttpTransport transport;
    FakeExchange cut = page("", std::string(3000, 'c'));
    cut.read_fails_after = 2500;
    transport.script = {cut};
    EXPECT_EQ(fetch_page(transport, "srv/"), std::string(2500, 'c'));
    for (std::size_t size : transport.requests[0].read_sizes) EXPECT_EQ(size, 1024u);
}

TEST(FetchPage, EndlessBodyGivesNothing) {
    FakeHttpTransport transport;
    FakeExchange endless = page("", "");
    endless.endless_body = true;
    transport.script = {endless};
    EXPECT_EQ(fetch_page(transport, "srv/"), "");
}

TEST(FetchPage, FailuresGiveEmptyAndLeaveTheOutputsAlone) {
    const struct {
        const char* name;
        bool fail_root;
        bool refuse_connect;
        std::optional<std::uint32_t> send_error;
        const char* address;
    } cases[] = {
        {"empty address", false, false, std::nullopt, ""},
        {"no root", true, false, std::nullopt, "srv/"},
        {"no connection", false, true, std::nullopt, "srv/"},
        {"refused", false, false, 12029, "srv/"},
        {"timed out", false, false, 12002, "srv/"},
    };
    for (const auto& c : cases) {
        FakeHttpTransport transport;
        transport.fail_open_root = c.fail_root;
        transport.refuse_connect = c.refuse_connect;
        FakeExchange exchange = page("Set-Cookie: a=1; path=/\r\n", "page");
        exchange.every_send_fails = c.send_error;
        transport.script = {exchange};
        std::string cookies = "mine=1", set = "untouched", headers = "untouched";
        EXPECT_EQ(fetch_page(transport, c.address, FetchMethod::get, {}, &cookies, &set, {}, &headers), "") << c.name;
        EXPECT_EQ(cookies, "mine=1") << c.name;
        EXPECT_EQ(set, "untouched") << c.name;
        EXPECT_EQ(headers, "untouched") << c.name;
        EXPECT_EQ(transport.open_handles(), 0) << c.name;
        if (c.send_error) {
            EXPECT_EQ(transport.requests[0].sends.size(), 1u) << "no retries";
        }
    }
}

TEST(FetchPage, PostSendsBodyBytesOrFormText) {
    const struct {
        FetchMethod method;
        const char* verb;
        std::string form;
        std::string bytes;
        std::string sent;
    } cases[] = {
        {FetchMethod::post, "POST", "a=1", "", "a=1"},
        {FetchMethod::post, "POST", "a=1", "raw", "raw"},
        {FetchMethod::get, "GET", "a=1", "raw", ""},
        {FetchMethod::head, "HEAD", "a=1", "", ""},
    };
    for (const auto& c : cases) {
        FakeHttpTransport transport;
        fetch_page(transport, "srv/", c.method, c.form, nullptr, nullptr, {}, nullptr, false, byte_span(c.bytes));
        ASSERT_EQ(transport.requests.size(), 1u);
        EXPECT_EQ(transport.requests[0].method, c.verb);
        EXPECT_EQ(transport.requests[0].sends, std::vector<std::string>{c.sent});
        const auto defaults = transport.requests[0].headers_with(0x10000000);
        const bool form_type = std::find(defaults.begin(), defaults.end(),
                                         "Content-Type:application/x-www-form-urlencoded") != defaults.end();
        EXPECT_EQ(form_type, c.method == FetchMethod::post);
    }
}

TEST(FetchPage, OptionsReachTheRequest) {
    FakeHttpTransport transport;
    std::string cookies = "sid=1";
    fetch_page(transport, "srv/", FetchMethod::get, {}, &cookies, nullptr, "X-A: 1\r\nReferer: http://mine/", nullptr,
               true, {}, 0, "10.9.8.7", "proxy:8080", "user", "secret");
    const auto& sent = transport.requests[0];
    EXPECT_NE(sent.flags & 0x00200000, 0u);  // no redirect
    EXPECT_EQ(sent.headers_with(0xA0000000),
              (std::vector<std::string>{"Cookie:sid=1", "X-A: 1", "Referer: http://mine/"}));
    EXPECT_EQ(sent.headers_with(0x10000000),
              (std::vector<std::string>{accept_line, language_line, "X-Forwarded-For:10.9.8.7", "CLIENT_IP:10.9.8.7",
                                        "VIA:10.9.8.7", "REMOTE_ADDR:10.9.8.7"}));
    EXPECT_EQ(transport.proxies, (std::vector<std::pair<std::uint32_t, std::string>>{{3, "proxy:8080"}}));
    EXPECT_EQ(transport.text_options, (std::vector<std::pair<HttpOption, std::string>>{
                                          {HttpOption::proxy_user_name, "user"}, {HttpOption::proxy_password, "secret"}}));
}

TEST(FetchPage, CookiesOfTheResponseAreReportedAndMerged) {
    FakeHttpTransport transport;
    const std::string headers =
        "Set-Cookie: a=1; path=/\r\n  Set-Cookie: b=2; HttpOnly  \r\nSet-Cookie: c=; path=/\r\n"
        "Set-Cookie: d=4\r\nset-cookie: e=5; path=/\r\nSet-Cookie: old=deleted; path=/\r\n";
    transport.script = {page(headers, "page")};
    std::string cookies = "a=0; keep=yes; x; gone=DELETED";
    std::string set;
    std::string raw;
    EXPECT_EQ(fetch_page(transport, "srv/", FetchMethod::get, {}, &cookies, &set, {}, &raw), "page");
    EXPECT_EQ(set, "a=1; b=2; old=deleted");
    EXPECT_EQ(cookies, "a=1; b=2; keep=yes");
    EXPECT_EQ(raw, "HTTP/1.1 200 OK\r\n" + headers + "\r\n");
}

TEST(MergeFetchedCookies, ResponseFirstThenCallersOwn) {
    const struct {
        const char* response;
        const char* caller;
        const char* merged;
    } cases[] = {
        {"a=1; b=2", "", "a=1; b=2"},
        {"", "a=1", "a=1"},
        {"a=1", "a=2; c=3", "a=1; c=3"},
        {"a=1", "ab=2", "a=1; ab=2"},         // names are matched with their "="
        {"s=deleted", "s=1", ""},             // the response deletes the caller's cookie
        {"a=1", " b=2 ;  ", "a=1; b=2"},       // pieces are trimmed
        {"", "ab; c=1", "c=1"},                // pieces under 3 characters go
    };
    for (const auto& c : cases) EXPECT_EQ(merge_fetched_cookies(c.response, c.caller), c.merged) << c.caller;
}

}  // namespace
}  // namespace mervolt
