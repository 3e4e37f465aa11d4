// The HTTP transport on Windows: each call is the WinInet call of the same name.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "platform/platform_faces.h"
#include "support/faces/http_transport.h"
#include "support/raw_headers.h"

namespace mervolt {
namespace {

// The face carries WinInet's own numbers; these pin them to the SDK's.
static_assert(http_access::direct == INTERNET_OPEN_TYPE_DIRECT && http_access::proxy == INTERNET_OPEN_TYPE_PROXY);
static_assert(static_cast<DWORD>(HttpOption::connect_timeout) == INTERNET_OPTION_CONNECT_TIMEOUT);
static_assert(static_cast<DWORD>(HttpOption::send_timeout) == INTERNET_OPTION_SEND_TIMEOUT);
static_assert(static_cast<DWORD>(HttpOption::receive_timeout) == INTERNET_OPTION_RECEIVE_TIMEOUT);
static_assert(static_cast<DWORD>(HttpOption::security_flags) == INTERNET_OPTION_SECURITY_FLAGS);
static_assert(static_cast<DWORD>(HttpOption::proxy_user_name) == INTERNET_OPTION_PROXY_USERNAME);
static_assert(static_cast<DWORD>(HttpOption::proxy_password) == INTERNET_OPTION_PROXY_PASSWORD);
static_assert(static_cast<DWORD>(HttpOption::http_decoding) == INTERNET_OPTION_HTTP_DECODING);
static_assert(request_flag::reload == INTERNET_FLAG_RELOAD && request_flag::no_cache_write == INTERNET_FLAG_NO_CACHE_WRITE);
static_assert(request_flag::secure == INTERNET_FLAG_SECURE && request_flag::no_auto_redirect == INTERNET_FLAG_NO_AUTO_REDIRECT);
static_assert(request_flag::no_cookies == INTERNET_FLAG_NO_COOKIES);
static_assert(request_flag::ignore_redirect_to_https == INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS);
static_assert(request_flag::ignore_cert_date_invalid == INTERNET_FLAG_IGNORE_CERT_DATE_INVALID);
static_assert(request_flag::ignore_cert_cn_invalid == INTERNET_FLAG_IGNORE_CERT_CN_INVALID);
static_assert(security_flag::ignore_unknown_ca == SECURITY_FLAG_IGNORE_UNKNOWN_CA);
static_assert(header_flag::add_if_new == HTTP_ADDREQ_FLAG_ADD_IF_NEW && header_flag::add == HTTP_ADDREQ_FLAG_ADD);
static_assert(header_flag::replace == HTTP_ADDREQ_FLAG_REPLACE);
static_assert(http_error::timeout == ERROR_INTERNET_TIMEOUT && http_error::cannot_connect == ERROR_INTERNET_CANNOT_CONNECT);
static_assert(http_error::connection_reset == ERROR_INTERNET_CONNECTION_RESET);
static_assert(http_error::name_not_resolved == ERROR_INTERNET_NAME_NOT_RESOLVED);
static_assert(http_error::invalid_handle == ERROR_INVALID_HANDLE);
static_assert(http_error::connection_aborted == ERROR_INTERNET_CONNECTION_ABORTED);
static_assert(http_error::invalid_server_response == ERROR_HTTP_INVALID_SERVER_RESPONSE);

HINTERNET handle_of(HttpHandleId id) { return reinterpret_cast<HINTERNET>(id); }
HttpHandleId id_of(HINTERNET handle) { return reinterpret_cast<HttpHandleId>(handle); }

// INTERNET_PROXY_INFO with the 8-bit texts that InternetSetOptionA reads (the SDK's form follows
// UNICODE, which this build defines).
struct ProxyInfoA {
    DWORD dwAccessType;
    LPCSTR lpszProxy;
    LPCSTR lpszProxyBypass;
};
static_assert(sizeof(ProxyInfoA) == sizeof(INTERNET_PROXY_INFO));

class WinInetTransport final : public HttpTransport {
public:
    HttpHandleId open_root(std::string_view agent, std::uint32_t access_type) override {
        const std::string agent_text(agent);
        HINTERNET root = InternetOpenA(agent_text.c_str(), access_type, nullptr, nullptr, 0);
        if (root != nullptr) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                root_timeouts_[id_of(root)] = {};
            }
            set_option(id_of(root), HttpOption::connect_timeout, default_connect_timeout_ms);
            set_option(id_of(root), HttpOption::send_timeout, default_send_timeout_ms);
            set_option(id_of(root), HttpOption::receive_timeout, default_receive_timeout_ms);
        }
        return id_of(root);
    }

    bool set_option(HttpHandleId handle, HttpOption option, std::uint32_t value) override {
        DWORD number = value;
        const bool set = InternetSetOptionA(handle_of(handle), static_cast<DWORD>(option), &number, sizeof number);
        if (set) note_option(handle, option, value);
        return set;
    }

    bool set_option_text(HttpHandleId handle, HttpOption option, std::string_view value) override {
        std::string text(value);
        return InternetSetOptionA(handle_of(handle), static_cast<DWORD>(option), text.data(),
                                  static_cast<DWORD>(text.size()));
    }

    bool set_proxy(HttpHandleId root, std::uint32_t access_type, std::string_view proxy,
                   std::string_view bypass) override {
        const std::string proxy_text(proxy);
        const std::string bypass_text(bypass);
        ProxyInfoA info{access_type, proxy_text.c_str(), bypass_text.c_str()};
        return InternetSetOptionA(handle_of(root), INTERNET_OPTION_PROXY, &info, sizeof info);
    }

    HttpHandleId connect(HttpHandleId root, std::string_view host, std::uint16_t port) override {
        const std::string host_text(host);
        const HttpHandleId connection = id_of(
            InternetConnectA(handle_of(root), host_text.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
        if (connection != 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            root_of_connection_[connection] = root;
        }
        return connection;
    }

    HttpHandleId open_request(HttpHandleId connection, std::string_view method, std::string_view path,
                              std::string_view version, std::uint32_t flags) override {
        const std::string method_text(method);
        const std::string path_text(path);
        const std::string version_text(version);
        const HttpHandleId request = id_of(HttpOpenRequestA(handle_of(connection), method_text.c_str(),
                                                            path_text.c_str(), version_text.c_str(), nullptr, nullptr,
                                                            flags, 0));
        if (request != 0) inherit_timeouts(connection, request);
        return request;
    }

    bool add_request_headers(HttpHandleId request, std::string_view headers, std::uint32_t flags) override {
        const std::string text(headers);
        return HttpAddRequestHeadersA(handle_of(request), text.c_str(), static_cast<DWORD>(text.size()), flags);
    }

    std::uint32_t send_request(HttpHandleId request, std::span<const std::uint8_t> data) override {
        void* optional = data.empty() ? nullptr : const_cast<std::uint8_t*>(data.data());
        if (!HttpSendRequestA(handle_of(request), nullptr, 0, optional, static_cast<DWORD>(data.size()))) {
            return GetLastError();
        }
        // Wine "succeeds" when the server closes without a byte, leaving no status line; Windows
        // reports that as an invalid server response.
        const std::optional<std::uint32_t> status = query_status_code(request);
        if (!status || *status == 0) return http_error::invalid_server_response;
        return 0;
    }

    std::optional<std::string> query_raw_headers(HttpHandleId request) override {
        DWORD size = 0;
        DWORD index = 0;
        HttpQueryInfoA(handle_of(request), HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, &index);
        if (size < 1) return std::nullopt;
        std::string block(size + 1, '\0');
        size = static_cast<DWORD>(block.size());
        index = 0;
        if (!HttpQueryInfoA(handle_of(request), HTTP_QUERY_RAW_HEADERS_CRLF, block.data(), &size, &index)) {
            return std::nullopt;
        }
        block.resize(std::min<std::size_t>(size, block.size()));
        if (block.empty()) return std::nullopt;
        // With HTTP decoding on, WinInet hands out gzip and deflate bodies decoded; on Windows the
        // header block may still name the coding, and a reader would decode the body again.
        if (decoding_on(request)) return without_undoable_content_coding(block);
        return block;
    }

    std::optional<std::uint32_t> query_status_code(HttpHandleId request) override {
        DWORD status = 0;
        DWORD size = sizeof status;
        DWORD index = 0;
        if (!HttpQueryInfoA(handle_of(request), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                            &index)) {
            return std::nullopt;
        }
        return status;
    }

    std::optional<std::size_t> read_file(HttpHandleId request, std::span<std::uint8_t> buffer) override {
        // Asking only for what has arrived makes a read return as soon as there is something: a
        // read for more waits to fill the buffer and, when the connection breaks meanwhile,
        // fails and loses what it had.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(handle_of(request), &available, 0, 0)) return std::nullopt;
        const DWORD wanted = available > 0 ? std::min<DWORD>(available, static_cast<DWORD>(buffer.size()))
                                           : static_cast<DWORD>(buffer.size());
        DWORD read = 0;
        if (!InternetReadFile(handle_of(request), buffer.data(), wanted, &read)) return std::nullopt;
        return read;
    }

    void close_handle(HttpHandleId handle) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            decoding_.erase(handle);
            root_timeouts_.erase(handle);
            root_of_connection_.erase(handle);
        }
        InternetCloseHandle(handle_of(handle));
    }

private:
    struct Timeouts {
        std::optional<DWORD> connect;
        std::optional<DWORD> send;
        std::optional<DWORD> receive;
    };

    void note_option(HttpHandleId handle, HttpOption option, std::uint32_t value) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (option == HttpOption::http_decoding) {
            if (value != 0) {
                decoding_.insert(handle);
            } else {
                decoding_.erase(handle);
            }
            return;
        }
        const auto root = root_timeouts_.find(handle);
        if (root == root_timeouts_.end()) return;
        if (option == HttpOption::connect_timeout) root->second.connect = value;
        if (option == HttpOption::send_timeout) root->second.send = value;
        if (option == HttpOption::receive_timeout) root->second.receive = value;
    }

    // Windows hands a root's time-outs down to its requests; Wine does not (its requests wait
    // without limit), so each request is given them explicitly.
    void inherit_timeouts(HttpHandleId connection, HttpHandleId request) {
        Timeouts timeouts;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const auto root = root_of_connection_.find(connection);
            if (root == root_of_connection_.end()) return;
            const auto found = root_timeouts_.find(root->second);
            if (found == root_timeouts_.end()) return;
            timeouts = found->second;
        }
        const auto apply = [&](DWORD option, std::optional<DWORD> value) {
            if (value) InternetSetOptionA(handle_of(request), option, &*value, sizeof *value);
        };
        apply(INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connect);
        apply(INTERNET_OPTION_SEND_TIMEOUT, timeouts.send);
        apply(INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive);
    }

    bool decoding_on(HttpHandleId handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        return decoding_.count(handle) != 0;
    }

    std::mutex mutex_;
    std::set<HttpHandleId> decoding_;  // requests with INTERNET_OPTION_HTTP_DECODING on
    std::map<HttpHandleId, Timeouts> root_timeouts_;
    std::map<HttpHandleId, HttpHandleId> root_of_connection_;
};

}  // namespace

// Never destroyed: web clients that live in statics close their handles at exit, possibly after
// a static transport would already be gone.
HttpTransport& platform_http_transport() {
    static WinInetTransport* const transport = new WinInetTransport();
    return *transport;
}

}  // namespace mervolt
