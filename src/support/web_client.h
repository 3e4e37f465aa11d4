#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/faces/http_transport.h"
#include "support/web_address.h"

namespace mervolt {

// Names with values in order of first arrival; names unique, compared exactly.
using NamedValues = std::vector<std::pair<std::string, std::string>>;

// The reusable HTTP request object (one per purpose, alive for the whole process). Its request
// logic (address splitting, header assembly, cookie jar, redirects, retries, body store, gzip) is
// portable; the transport underneath is WinInet on Windows and libcurl on Linux.
// Not safe for concurrent use: one request at a time per object, and the body readers only by the
// thread that made the request, after it.
class WebClient {
public:
    // Opens the root handle; a failed open makes every request fail.
    explicit WebClient(HttpTransport& transport);
    ~WebClient();
    WebClient(const WebClient&) = delete;
    WebClient& operator=(const WebClient&) = delete;

    // A new object with the same settings, jar, headers and last response headers; it opens its
    // own root handle (with the same proxy) and owns no connection, request or body.
    std::unique_ptr<WebClient> copy() const;

    // --- The exchange the client uses --------------------------------------------------------
    // POST of the body text; true when a response was received (whatever its status).
    bool post_text(std::string_view url, std::string_view body, std::string_view extra_cookies,
                   std::string_view extra_headers);
    // The last response's body, gzip-decoded when the headers say "Content-Encoding: gzip"; the
    // same text until the next request; empty when there is none.
    std::string response_text();

    // --- Further requests ------------------------------------------------------------------------
    // Sends, retrying a connection that failed or was reset (11 attempts in all), then follows
    // redirects as the redirect mode says. True when a response was received.
    bool request(std::string_view method, std::string_view url, std::span<const std::uint8_t> body,
                 std::string_view extra_cookies, std::string_view extra_headers);
    bool request_with_method(std::string_view method, std::string_view url, std::span<const std::uint8_t> body,
                             std::string_view extra_cookies, std::string_view extra_headers);
    bool get(std::string_view url, std::string_view extra_cookies, std::string_view extra_headers);
    bool post_bytes(std::string_view url, std::span<const std::uint8_t> body, std::string_view extra_cookies,
                    std::string_view extra_headers);

    // --- The last response -------------------------------------------------------------------
    std::string response_text_utf8();            // the body converted from UTF-8
    std::vector<std::uint8_t> response_bytes();  // the body's bytes, decoded as response_text
    // After "Name:" (any letter case, at a line start) up to the line end, leading blanks removed;
    // empty when absent; the empty name gives the whole header block.
    std::string response_header(std::string_view name) const;
    // 0 without a request or before its headers were read, or when the query fails.
    int status_code();
    // The value the last response's Set-Cookie lines give the name; empty when absent.
    std::string response_cookie(std::string_view name) const;

    // --- Cookie jar (sent to every host this object talks to) -------------------------------
    // The jar's value ("name=value" with the flag); the empty name gives the whole Cookie value.
    std::string cookie_value(std::string_view name, bool with_name) const;
    // Merges "a=1; b=2" into the jar; always true.
    bool merge_cookies(std::string_view cookie_text);
    // Removes the named cookies ("a; b=x": names a and b); the empty text empties the jar.
    bool remove_cookies(std::string_view names);
    // The jar joined as "a=1; b=2", with the extra cookies merged into a copy first.
    std::string cookie_header_value(std::string_view extra_cookies) const;
    // Splits at "; "; a part without "=" or with an empty value is skipped; an existing name gets
    // the new value, a new one is appended.
    static void merge_cookie_text(std::string_view cookie_text, NamedValues& jar);

    // --- Settings ------------------------------------------------------------------------------
    // 0: the object follows Location itself (default); 1: redirects are not followed;
    // 2: the HTTP layer follows them; 3: both; anything else behaves as 2.
    void set_redirect_mode(int mode);
    // Through this proxy ("host:port"), or direct for the empty address; the option call's result.
    bool set_proxy(std::string_view address, std::string_view user, std::string_view password);
    // Sent as X-Forwarded-For, CLIENT_IP, VIA and REMOTE_ADDR when not empty; always true.
    bool set_client_address(std::string_view address);
    // On the root handle; omitted values are 15000, 120000 and 300000 ms. False without a root.
    bool set_timeouts(std::optional<std::uint32_t> connect_ms = std::nullopt,
                      std::optional<std::uint32_t> send_ms = std::nullopt,
                      std::optional<std::uint32_t> receive_ms = std::nullopt);
    // A header sent with every request: an existing name gets the value (the empty value removes
    // it), a new name with a value is appended.
    void set_header(std::string_view name, std::string_view value);
    void clear_headers();
    // Extra attempts after a failed connection for the current request; every request resets it
    // to 10.
    void set_retry_count(int count);

    // --- Handles ---------------------------------------------------------------------------------
    void open_root();
    // Closes every handle and the body; forgets everything but the forged client address.
    void close_all();
    void reopen_root();

    // --- Steps of a request, in the order request() runs them --------------------------------
    bool open_request(std::string_view method, std::string_view url);
    static std::optional<WebAddress> split_url(std::string_view url);
    void apply_request_options(std::string_view extra_cookies);
    void add_request_headers(std::string_view extra_headers);
    bool read_response_headers();
    // The Location of the last response; with make_absolute, rooted and relative targets are
    // resolved against the current address.
    std::string redirect_target(bool make_absolute) const;
    bool follow_redirects(std::string_view extra_cookies, std::string_view extra_headers);
    // Moves the body from the network into the body store, once per request.
    void read_body();

    // At most this many redirects are followed; one more ends the chain like a failed hop.
    static constexpr int max_redirect_hops = 10;

private:
    struct BodyStore {
        std::vector<std::uint8_t> bytes;
        bool too_large = false;  // the body passed max_body_bytes and was dropped
    };

    bool send_with_retries(std::span<const std::uint8_t> data);
    std::optional<std::vector<std::uint8_t>> decoded_body();

    HttpTransport& transport_;
    HttpHandle root_handle_;
    HttpHandle request_handle_;
    HttpHandle connection_handle_;
    std::optional<BodyStore> body_store_;
    std::string proxy_address_;
    std::string proxy_user_;
    std::string proxy_password_;
    std::string client_address_;
    std::string current_url_;
    std::string referer_;
    std::string scheme_;
    std::string host_;
    std::int32_t port_ = 0;
    // 0: no headers read for the current request; -1: no length declared (or 0); else the length.
    std::int32_t content_length_ = 0;
    std::string response_headers_;
    std::int32_t is_post_ = 0;
    std::int32_t retry_limit_ = 0;
    NamedValues headers_;
    std::int32_t redirect_mode_ = 0;
    NamedValues cookies_;
};

}  // namespace mervolt
