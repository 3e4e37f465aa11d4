#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/faces/http_transport.h"

namespace mervolt {

// What one opened request meets: its sends fail with send_errors in turn (every send with
// every_send_fails), then it is answered with these headers and this body.
struct FakeExchange {
    std::vector<std::uint32_t> send_errors;
    std::optional<std::uint32_t> every_send_fails;
    std::optional<std::string> raw_headers = std::string("HTTP/1.1 200 OK\r\n\r\n");  // nullopt: query fails
    std::optional<std::uint32_t> status = 200;
    std::string body;
    bool endless_body = false;                 // the body never ends ('x' for ever)
    std::optional<std::size_t> read_fails_after;  // a read fails once this many bytes are out
};

// A plain 200 answer with this body.
inline FakeExchange answer(std::string body) {
    FakeExchange exchange;
    exchange.body = std::move(body);
    return exchange;
}

// No answer at all: every send fails as with a server that refuses the connection.
inline FakeExchange unreachable() {
    FakeExchange exchange;
    exchange.every_send_fails = 12029;  // ERROR_INTERNET_CANNOT_CONNECT
    return exchange;
}

struct FakeRequest {
    std::string host;
    std::uint16_t port = 0;
    std::string method;
    std::string path;
    std::string version;
    std::uint32_t flags = 0;
    std::vector<std::pair<std::string, std::uint32_t>> header_calls;  // text and flags, in order
    std::map<HttpOption, std::uint32_t> options;
    std::vector<std::string> sends;       // the data of every send attempt
    std::vector<std::size_t> read_sizes;  // the buffer size of every read
    // Every header line added with these flags, in order.
    std::vector<std::string> headers_with(std::uint32_t flags) const;
};

// An in-memory transport that records every call and answers each opened request with the next
// scripted exchange (a plain empty 200 once the script is used up).
class FakeHttpTransport final : public HttpTransport {
public:
    std::deque<FakeExchange> script;
    bool fail_open_root = false;
    bool refuse_connect = false;

    std::vector<FakeRequest> requests;
    std::vector<std::string> agents;
    std::vector<std::pair<HttpOption, std::uint32_t>> root_options;
    std::vector<std::pair<HttpOption, std::string>> text_options;
    std::vector<std::pair<std::uint32_t, std::string>> proxies;  // access type, proxy
    int open_handles() const { return static_cast<int>(live_.size()); }

    HttpHandleId open_root(std::string_view agent, std::uint32_t access_type) override;
    bool set_option(HttpHandleId handle, HttpOption option, std::uint32_t value) override;
    bool set_option_text(HttpHandleId handle, HttpOption option, std::string_view value) override;
    bool set_proxy(HttpHandleId root, std::uint32_t access_type, std::string_view proxy,
                   std::string_view bypass) override;
    HttpHandleId connect(HttpHandleId root, std::string_view host, std::uint16_t port) override;
    HttpHandleId open_request(HttpHandleId connection, std::string_view method, std::string_view path,
                              std::string_view version, std::uint32_t flags) override;
    bool add_request_headers(HttpHandleId request, std::string_view headers, std::uint32_t flags) override;
    std::uint32_t send_request(HttpHandleId request, std::span<const std::uint8_t> data) override;
    std::optional<std::string> query_raw_headers(HttpHandleId request) override;
    std::optional<std::uint32_t> query_status_code(HttpHandleId request) override;
    std::optional<std::size_t> read_file(HttpHandleId request, std::span<std::uint8_t> buffer) override;
    void close_handle(HttpHandleId handle) override;

private:
    struct Live {
        enum class Kind { root, connection, request } kind = Kind::root;
        std::string host;
        std::uint16_t port = 0;
        std::size_t request = 0;  // index into requests
        FakeExchange exchange;
        std::size_t sends = 0;
        bool answered = false;
        std::size_t read = 0;
    };
    Live* find(HttpHandleId id, Live::Kind kind);
    HttpHandleId add(Live live);

    std::map<HttpHandleId, Live> live_;
    HttpHandleId next_id_ = 0x100;
};

}  // namespace mervolt
