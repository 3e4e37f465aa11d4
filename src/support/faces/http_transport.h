#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace mervolt {

// The HTTP layer under the web client and the one-shot fetch, shaped after the WinInet calls
// they make: a root handle, a connection per host and port, a request per exchange. The numbers
// below are WinInet's own, so the Windows transport passes them through unchanged; the Linux
// transport emulates what they mean.
//
// Handles are opaque non-zero numbers (0 = none). A closed parent does not invalidate children
// already opened from it. All calls block; distinct handles may be used from distinct threads.
using HttpHandleId = std::uintptr_t;

namespace http_access {
inline constexpr std::uint32_t direct = 1;  // INTERNET_OPEN_TYPE_DIRECT
inline constexpr std::uint32_t proxy = 3;   // INTERNET_OPEN_TYPE_PROXY
}  // namespace http_access

enum class HttpOption : std::uint32_t {
    connect_timeout = 2,
    send_timeout = 5,
    receive_timeout = 6,
    security_flags = 31,
    proxy_user_name = 43,
    proxy_password = 44,
    http_decoding = 65,
};

namespace request_flag {
inline constexpr std::uint32_t reload = 0x80000000;
inline constexpr std::uint32_t no_cache_write = 0x04000000;
inline constexpr std::uint32_t secure = 0x00800000;
inline constexpr std::uint32_t no_auto_redirect = 0x00200000;
inline constexpr std::uint32_t no_cookies = 0x00080000;
inline constexpr std::uint32_t ignore_redirect_to_https = 0x00004000;
inline constexpr std::uint32_t ignore_cert_date_invalid = 0x00002000;
inline constexpr std::uint32_t ignore_cert_cn_invalid = 0x00001000;
}  // namespace request_flag

namespace security_flag {
inline constexpr std::uint32_t ignore_unknown_ca = 0x00000100;
inline constexpr std::uint32_t ignore_cert_cn_invalid = 0x00001000;
// What the client sets: revocation, unknown authority, wrong usage, name, date, redirects to
// HTTP and HTTPS, and weak signatures are all let through.
inline constexpr std::uint32_t lenient = 0x0001F380;
}  // namespace security_flag

// How add_request_headers treats a header line whose name (case-insensitive) is already there.
namespace header_flag {
inline constexpr std::uint32_t add_if_new = 0x10000000;  // keep the old one, drop the new
inline constexpr std::uint32_t add = 0x20000000;         // with replace: add when absent
inline constexpr std::uint32_t replace = 0x80000000;     // replace; an empty value removes
inline constexpr std::uint32_t replace_or_add = replace | add;
}  // namespace header_flag

// Error codes send_request reports.
namespace http_error {
inline constexpr std::uint32_t timeout = 12002;
inline constexpr std::uint32_t name_not_resolved = 12007;
inline constexpr std::uint32_t invalid_handle = 6;  // ERROR_INVALID_HANDLE
inline constexpr std::uint32_t cannot_connect = 12029;
inline constexpr std::uint32_t connection_aborted = 12030;
inline constexpr std::uint32_t connection_reset = 12031;
inline constexpr std::uint32_t invalid_server_response = 12152;
}  // namespace http_error

// Time-outs every root handle starts with, so that a dead or silent server ends an exchange
// instead of blocking it for ever; set_option on the root overrides them.
inline constexpr std::uint32_t default_connect_timeout_ms = 15000;
inline constexpr std::uint32_t default_send_timeout_ms = 30000;
inline constexpr std::uint32_t default_receive_timeout_ms = 30000;

class HttpTransport {
public:
    virtual ~HttpTransport() = default;

    // InternetOpenA: no proxy names, flags 0; 0 on failure.
    virtual HttpHandleId open_root(std::string_view agent, std::uint32_t access_type) = 0;
    // InternetSetOptionA with a 32-bit number or with a text (its length, no terminator).
    virtual bool set_option(HttpHandleId handle, HttpOption option, std::uint32_t value) = 0;
    virtual bool set_option_text(HttpHandleId handle, HttpOption option, std::string_view value) = 0;
    // InternetSetOptionA with INTERNET_OPTION_PROXY: access type, proxy server, bypass list.
    virtual bool set_proxy(HttpHandleId root, std::uint32_t access_type, std::string_view proxy,
                           std::string_view bypass) = 0;
    // InternetConnectA for HTTP: no user, no password, flags 0; 0 on failure.
    virtual HttpHandleId connect(HttpHandleId root, std::string_view host, std::uint16_t port) = 0;
    // HttpOpenRequestA: no referrer, no accept types; the path goes out exactly as given.
    virtual HttpHandleId open_request(HttpHandleId connection, std::string_view method,
                                      std::string_view path, std::string_view version,
                                      std::uint32_t flags) = 0;
    // HttpAddRequestHeadersA: one or more "Name:value" lines joined by CR LF.
    virtual bool add_request_headers(HttpHandleId request, std::string_view headers,
                                     std::uint32_t flags) = 0;
    // HttpSendRequestA with no further headers: 0 once the response headers have arrived,
    // otherwise the error code (http_error).
    virtual std::uint32_t send_request(HttpHandleId request, std::span<const std::uint8_t> data) = 0;
    // HttpQueryInfoA with HTTP_QUERY_RAW_HEADERS_CRLF: status line and header lines, each ending
    // in CR LF. The block describes the body as read_file delivers it: with HTTP decoding on, a
    // content coding the transport undid is no longer named. nullopt when empty or failed.
    virtual std::optional<std::string> query_raw_headers(HttpHandleId request) = 0;
    // HttpQueryInfoA with HTTP_QUERY_STATUS_CODE; nullopt when the query fails.
    virtual std::optional<std::uint32_t> query_status_code(HttpHandleId request) = 0;
    // InternetReadFile: the count of bytes read, 0 at the end of the body; nullopt on failure.
    virtual std::optional<std::size_t> read_file(HttpHandleId request, std::span<std::uint8_t> buffer) = 0;
    // InternetCloseHandle.
    virtual void close_handle(HttpHandleId handle) = 0;
};

// Sole owner of one transport handle: closes it when replaced or destroyed.
class HttpHandle {
public:
    HttpHandle() = default;
    HttpHandle(HttpTransport& transport, HttpHandleId id) : transport_(&transport), id_(id) {}
    HttpHandle(HttpHandle&& other) noexcept
        : transport_(other.transport_), id_(std::exchange(other.id_, 0)) {}
    HttpHandle& operator=(HttpHandle&& other) noexcept {
        if (this != &other) {
            reset();
            transport_ = other.transport_;
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    HttpHandle(const HttpHandle&) = delete;
    HttpHandle& operator=(const HttpHandle&) = delete;
    ~HttpHandle() { reset(); }

    HttpHandleId get() const { return id_; }
    explicit operator bool() const { return id_ != 0; }
    void reset() {
        if (id_ != 0) transport_->close_handle(std::exchange(id_, 0));
    }

private:
    HttpTransport* transport_ = nullptr;
    HttpHandleId id_ = 0;
};

}  // namespace mervolt
