// The HTTP transport on Linux: libcurl, made to behave as WinInet does where the web client
// looks. Requests are pulled like WinInet's: send_request returns once the response headers are
// in, and read_file drives the transfer only as far as the caller reads (libcurl's pause), so a
// caller that stops reading stops the download. Header lines follow HttpAddRequestHeaders' rules,
// redirects are followed only without INTERNET_FLAG_NO_AUTO_REDIRECT, a refused connection is
// 12029 and a reset 12031, and with HTTP decoding on a gzip or deflate body arrives decoded with
// its Content-Encoding line gone, as WinInet delivers it.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <variant>
#include <vector>

#include "platform/platform_faces.h"
#include "support/faces/http_transport.h"
#include "support/gzip.h"
#include "support/raw_headers.h"

namespace mervolt {
namespace {

using Clock = std::chrono::steady_clock;

// Options as set on a handle; a request takes each from itself, its connection or its root.
struct Settings {
    std::optional<std::uint32_t> connect_timeout;
    std::optional<std::uint32_t> send_timeout;
    std::optional<std::uint32_t> receive_timeout;
    std::optional<std::uint32_t> security_flags;
    std::optional<bool> decoding;
    std::optional<std::string> proxy_user;
    std::optional<std::string> proxy_password;
};

struct Root {
    std::string agent;
    std::uint32_t access_type = http_access::direct;
    std::string proxy;
    Settings settings;
};

struct Connection {
    std::shared_ptr<Root> root;
    std::string host;
    std::uint16_t port = 0;
    Settings settings;
};

struct HeaderLine {
    std::string name;
    std::string value;
};

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

// The transfer of one send: a libcurl easy handle in a multi handle of its own.
struct Exchange {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* header_list = nullptr;
    std::vector<std::uint8_t> data;
    char error_text[CURL_ERROR_SIZE] = {};

    bool follow = false;
    std::string block;           // the response header block being received
    long status = 0;
    bool headers_complete = false;
    bool started = false;        // connected, request on its way
    Clock::time_point last_activity = Clock::now();
    // Once connected, the longest the exchange may go without a byte arriving.
    std::uint32_t idle_timeout_ms = default_receive_timeout_ms;

    std::string pending;         // body bytes received and not yet read
    std::size_t pending_offset = 0;
    bool paused = false;
    bool done = false;
    CURLcode result = CURLE_OK;
    std::unique_ptr<Inflater> inflater;

    ~Exchange() {
        if (easy != nullptr) {
            if (multi != nullptr) curl_multi_remove_handle(multi, easy);
            curl_easy_cleanup(easy);
        }
        if (multi != nullptr) curl_multi_cleanup(multi);
        curl_slist_free_all(header_list);
    }

    std::size_t pending_size() const { return pending.size() - pending_offset; }
};

struct Request {
    std::shared_ptr<Connection> connection;
    std::string method;
    std::string path;
    std::string version;
    std::uint32_t flags = 0;
    std::vector<HeaderLine> headers;
    Settings settings;
    std::unique_ptr<Exchange> exchange;
    std::string headers_for_caller;  // the final block, as the caller is given it
};

using Node = std::variant<std::shared_ptr<Root>, std::shared_ptr<Connection>, std::shared_ptr<Request>>;

template <typename T>
std::optional<T> resolved(const Request& request, std::optional<T> Settings::*field) {
    if (request.settings.*field) return request.settings.*field;
    if (request.connection->settings.*field) return request.connection->settings.*field;
    return request.connection->root->settings.*field;
}

// Body bytes held before the transfer is paused until the caller reads.
constexpr std::size_t pause_threshold = 256 * 1024;

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
    auto& exchange = *static_cast<Exchange*>(user);
    const std::size_t length = size * count;
    exchange.last_activity = Clock::now();
    const std::string_view line = trim(std::string_view(data, length));
    if (std::string_view(data, length).starts_with("HTTP/")) {
        exchange.block.clear();
        exchange.status = 0;
        const std::size_t blank = line.find(' ');
        if (blank != std::string_view::npos) {
            exchange.status = std::strtol(std::string(line.substr(blank + 1, 3)).c_str(), nullptr, 10);
        }
    }
    if (line.empty()) {
        // The end of one response's headers. An interim 1xx, or a redirect libcurl is about to
        // follow, is not the response the caller waits for.
        const bool interim = exchange.status >= 100 && exchange.status < 200;
        const bool followed = exchange.follow && exchange.status >= 300 && exchange.status < 400 &&
                              find_raw_header(exchange.block, "Location");
        if (!interim && !followed) exchange.headers_complete = true;
        exchange.block.append("\r\n");
        return length;
    }
    exchange.block.append(line).append("\r\n");
    return length;
}

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto& exchange = *static_cast<Exchange*>(user);
    exchange.last_activity = Clock::now();
    if (exchange.pending_size() >= pause_threshold) {
        exchange.paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (exchange.pending_offset > 0) {
        exchange.pending.erase(0, exchange.pending_offset);
        exchange.pending_offset = 0;
    }
    exchange.pending.append(data, size * count);
    return size * count;
}

int on_request_start(void* user, char*, char*, int, int) {
    auto& exchange = *static_cast<Exchange*>(user);
    exchange.started = true;
    exchange.last_activity = Clock::now();
    return CURL_PREREQFUNC_OK;
}

std::uint32_t wininet_error(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_CONNECT: return http_error::cannot_connect;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return http_error::name_not_resolved;
    case CURLE_OPERATION_TIMEDOUT: return http_error::timeout;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR: return http_error::connection_reset;
    default: return http_error::invalid_server_response;
    }
}

// One round of the transfer: work, then wait briefly for the socket. False once it is over.
bool drive(Exchange& exchange) {
    int running = 0;
    curl_multi_perform(exchange.multi, &running);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(exchange.multi, &queued)) {
        if (message->msg == CURLMSG_DONE) {
            exchange.done = true;
            exchange.result = message->data.result;
        }
    }
    if (exchange.done) return false;
    if (exchange.started &&
        Clock::now() - exchange.last_activity > std::chrono::milliseconds(exchange.idle_timeout_ms)) {
        exchange.done = true;
        exchange.result = CURLE_OPERATION_TIMEDOUT;
        return false;
    }
    if (!exchange.paused) curl_multi_poll(exchange.multi, nullptr, 0, 50, nullptr);
    return true;
}

// Drives the transfer until more body bytes are pending. False when it ended without any; its
// result then tells whether the body is complete. The time-out counts from this call, so a
// caller who reads late does not find the transfer expired.
bool receive_more(Exchange& exchange) {
    const std::size_t before = exchange.pending_size();
    exchange.last_activity = Clock::now();
    while (!exchange.done && exchange.pending_size() == before) {
        if (exchange.paused) {
            exchange.paused = false;
            curl_easy_pause(exchange.easy, CURLPAUSE_CONT);
        }
        drive(exchange);
    }
    return exchange.pending_size() > before;
}

std::optional<std::size_t> end_of_body(const Exchange& exchange) {
    if (exchange.result == CURLE_OK) return 0;
    return std::nullopt;
}

std::optional<std::size_t> read_plain(Exchange& exchange, std::span<std::uint8_t> buffer) {
    if (exchange.pending_size() == 0 && !receive_more(exchange)) return end_of_body(exchange);
    const std::size_t count = std::min(buffer.size(), exchange.pending_size());
    std::memcpy(buffer.data(), exchange.pending.data() + exchange.pending_offset, count);
    exchange.pending_offset += count;
    return count;
}

std::optional<std::size_t> read_decoded(Exchange& exchange, std::span<std::uint8_t> buffer) {
    for (;;) {
        const std::span<const std::uint8_t> input(
            reinterpret_cast<const std::uint8_t*>(exchange.pending.data()) + exchange.pending_offset,
            exchange.pending_size());
        const Inflater::Step step = exchange.inflater->step(input, buffer);
        exchange.pending_offset += step.consumed;
        if (step.produced > 0) return step.produced;
        if (step.finished) return 0;
        if (step.failed) return std::nullopt;
        // A stream cut short by a clean close ends where it was cut.
        if (step.consumed == 0 && !receive_more(exchange)) return end_of_body(exchange);
    }
}

class CurlTransport final : public HttpTransport {
public:
    CurlTransport() { curl_global_init(CURL_GLOBAL_DEFAULT); }

    HttpHandleId open_root(std::string_view agent, std::uint32_t access_type) override {
        auto root = std::make_shared<Root>();
        root->agent = std::string(agent);
        root->access_type = access_type;
        root->settings.connect_timeout = default_connect_timeout_ms;
        root->settings.send_timeout = default_send_timeout_ms;
        root->settings.receive_timeout = default_receive_timeout_ms;
        return add(root);
    }

    bool set_option(HttpHandleId handle, HttpOption option, std::uint32_t value) override {
        Settings* settings = settings_of(handle);
        if (settings == nullptr) return false;
        switch (option) {
        case HttpOption::connect_timeout: settings->connect_timeout = value; return true;
        case HttpOption::send_timeout: settings->send_timeout = value; return true;
        case HttpOption::receive_timeout: settings->receive_timeout = value; return true;
        case HttpOption::security_flags: settings->security_flags = value; return true;
        case HttpOption::http_decoding: settings->decoding = value != 0; return true;
        default: return false;
        }
    }

    bool set_option_text(HttpHandleId handle, HttpOption option, std::string_view value) override {
        Settings* settings = settings_of(handle);
        if (settings == nullptr) return false;
        if (option == HttpOption::proxy_user_name) {
            settings->proxy_user = std::string(value);
        } else if (option == HttpOption::proxy_password) {
            settings->proxy_password = std::string(value);
        } else {
            return false;
        }
        return true;
    }

    bool set_proxy(HttpHandleId root_id, std::uint32_t access_type, std::string_view proxy, std::string_view) override {
        const std::shared_ptr<Root> root = find<Root>(root_id);
        if (!root) return false;
        root->access_type = access_type;
        root->proxy = access_type == http_access::proxy ? std::string(proxy) : std::string();
        return true;
    }

    HttpHandleId connect(HttpHandleId root_id, std::string_view host, std::uint16_t port) override {
        std::shared_ptr<Root> root = find<Root>(root_id);
        if (!root || host.empty()) return 0;
        auto connection = std::make_shared<Connection>();
        connection->root = std::move(root);
        connection->host = std::string(host);
        connection->port = port;
        return add(connection);
    }

    HttpHandleId open_request(HttpHandleId connection_id, std::string_view method, std::string_view path,
                              std::string_view version, std::uint32_t flags) override {
        std::shared_ptr<Connection> connection = find<Connection>(connection_id);
        if (!connection) return 0;
        auto request = std::make_shared<Request>();
        request->connection = std::move(connection);
        request->method = method.empty() ? "GET" : std::string(method);
        request->path = path.empty() ? "/" : std::string(path);
        request->version = version.empty() ? "HTTP/1.1" : std::string(version);
        request->flags = flags;
        return add(request);
    }

    bool add_request_headers(HttpHandleId request_id, std::string_view headers, std::uint32_t flags) override {
        const std::shared_ptr<Request> request = find<Request>(request_id);
        if (!request) return false;
        bool all_taken = true;
        while (!headers.empty()) {
            const std::size_t end = headers.find("\r\n");
            all_taken = add_header_line(*request, headers.substr(0, end), flags) && all_taken;
            if (end == std::string_view::npos) break;
            headers.remove_prefix(end + 2);
        }
        return all_taken;
    }

    std::uint32_t send_request(HttpHandleId request_id, std::span<const std::uint8_t> data) override {
        const std::shared_ptr<Request> request = find<Request>(request_id);
        if (!request) return http_error::invalid_handle;
        request->headers_for_caller.clear();
        request->exchange = start_exchange(*request, data);
        Exchange& exchange = *request->exchange;
        if (exchange.easy == nullptr) return http_error::invalid_server_response;
        while (!exchange.headers_complete && drive(exchange)) {
        }
        if (!exchange.headers_complete) {
            const std::uint32_t error = wininet_error(exchange.result);
            request->exchange.reset();
            return error;
        }
        request->headers_for_caller = exchange.block;
        if (resolved(*request, &Settings::decoding).value_or(false)) {
            if (const std::optional<ContentCoding> coding = undoable_content_coding(exchange.block)) {
                exchange.inflater = std::make_unique<Inflater>(*coding);
                request->headers_for_caller = without_undoable_content_coding(exchange.block);
            }
        }
        return 0;
    }

    std::optional<std::string> query_raw_headers(HttpHandleId request_id) override {
        const std::shared_ptr<Request> request = find<Request>(request_id);
        if (!request || !request->exchange || request->headers_for_caller.empty()) return std::nullopt;
        return request->headers_for_caller;
    }

    std::optional<std::uint32_t> query_status_code(HttpHandleId request_id) override {
        const std::shared_ptr<Request> request = find<Request>(request_id);
        if (!request || !request->exchange || request->exchange->status <= 0) return std::nullopt;
        return static_cast<std::uint32_t>(request->exchange->status);
    }

    std::optional<std::size_t> read_file(HttpHandleId request_id, std::span<std::uint8_t> buffer) override {
        const std::shared_ptr<Request> request = find<Request>(request_id);
        if (!request || !request->exchange) return std::nullopt;
        if (buffer.empty()) return 0;
        Exchange& exchange = *request->exchange;
        return exchange.inflater ? read_decoded(exchange, buffer) : read_plain(exchange, buffer);
    }

    void close_handle(HttpHandleId handle) override {
        Node node;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const auto found = nodes_.find(handle);
            if (found == nodes_.end()) return;
            node = std::move(found->second);
            nodes_.erase(found);
        }
        // node (and a transfer it owns) ends here, outside the lock.
    }

private:
    // HttpAddRequestHeaders' rules for one "Name:value" line.
    static bool add_header_line(Request& request, std::string_view line, std::uint32_t flags) {
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || trim(line.substr(0, colon)).empty()) return false;
        const std::string name(trim(line.substr(0, colon)));
        const std::string value(trim(line.substr(colon + 1)));
        const auto existing = std::find_if(request.headers.begin(), request.headers.end(),
                                           [&](const HeaderLine& h) { return same_name(h.name, name); });
        if (existing != request.headers.end()) {
            if (flags & header_flag::replace) {
                if (value.empty()) {
                    request.headers.erase(existing);
                } else {
                    existing->value = value;
                }
                return true;
            }
            if (flags & header_flag::add_if_new) return false;
        } else if ((flags & header_flag::replace) && !(flags & header_flag::add)) {
            return false;
        }
        if (value.empty()) return false;
        request.headers.push_back({name, value});
        return true;
    }

    static std::unique_ptr<Exchange> start_exchange(const Request& request, std::span<const std::uint8_t> data) {
        auto exchange = std::make_unique<Exchange>();
        exchange->easy = curl_easy_init();
        exchange->multi = curl_multi_init();
        if (exchange->easy == nullptr || exchange->multi == nullptr) {
            exchange.reset(new Exchange());
            return exchange;
        }
        CURL* easy = exchange->easy;
        const Connection& connection = *request.connection;
        const Root& root = *connection.root;

        const bool secure = (request.flags & request_flag::secure) != 0;
        const bool bracket = connection.host.find(':') != std::string::npos;
        exchange->follow = (request.flags & request_flag::no_auto_redirect) == 0;
        const std::string origin = std::string(secure ? "https://" : "http://") + (bracket ? "[" : "") +
                                   connection.host + (bracket ? "]" : "") + ":" + std::to_string(connection.port);
        if (exchange->follow) {
            // Redirects need the path in the address; it still goes out as given.
            curl_easy_setopt(easy, CURLOPT_URL, (origin + request.path).c_str());
            curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
        } else {
            curl_easy_setopt(easy, CURLOPT_URL, (origin + "/").c_str());
            curl_easy_setopt(easy, CURLOPT_REQUEST_TARGET, request.path.c_str());
        }
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION,
                         request.version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(easy, CURLOPT_USERAGENT, root.agent.c_str());
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, exchange->error_text);

        exchange->data.assign(data.begin(), data.end());
        if (request.method == "HEAD") {
            curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        } else if (request.method == "GET" && data.empty()) {
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        } else {
            curl_easy_setopt(easy, CURLOPT_POST, 1L);
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(exchange->data.size()));
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, exchange->data.data());
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        }

        // The request's own headers, and nothing of libcurl's that WinInet would not send.
        bool has_accept = false;
        bool has_content_type = false;
        for (const HeaderLine& header : request.headers) {
            has_accept = has_accept || same_name(header.name, "Accept");
            has_content_type = has_content_type || same_name(header.name, "Content-Type");
            exchange->header_list =
                curl_slist_append(exchange->header_list, (header.name + ": " + header.value).c_str());
        }
        exchange->header_list = curl_slist_append(exchange->header_list, "Expect:");
        if (!has_accept) exchange->header_list = curl_slist_append(exchange->header_list, "Accept:");
        if (!has_content_type) exchange->header_list = curl_slist_append(exchange->header_list, "Content-Type:");
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, exchange->header_list);

        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, exchange->follow ? 1L : 0L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);

        // Direct access also ignores the proxy variables of the environment.
        curl_easy_setopt(easy, CURLOPT_PROXY, root.access_type == http_access::proxy ? root.proxy.c_str() : "");
        if (const auto user = resolved(request, &Settings::proxy_user)) {
            curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, user->c_str());
        }
        if (const auto password = resolved(request, &Settings::proxy_password)) {
            curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, password->c_str());
        }

        const std::uint32_t security = resolved(request, &Settings::security_flags).value_or(0);
        if (security & security_flag::ignore_unknown_ca) curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
        if ((security & security_flag::ignore_cert_cn_invalid) || (request.flags & request_flag::ignore_cert_cn_invalid)) {
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
        }

        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(resolved(request, &Settings::connect_timeout).value_or(default_connect_timeout_ms)));
        // libcurl has no send or receive time-out of its own: the exchange's idle limit stands in for
        // both (the request is small; sending it counts against the same limit).
        exchange->idle_timeout_ms =
            std::max(resolved(request, &Settings::send_timeout).value_or(default_send_timeout_ms),
                     resolved(request, &Settings::receive_timeout).value_or(default_receive_timeout_ms));

        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, on_header);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, exchange.get());
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, on_body);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, exchange.get());
        curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, on_request_start);
        curl_easy_setopt(easy, CURLOPT_PREREQDATA, exchange.get());

        curl_multi_add_handle(exchange->multi, easy);
        return exchange;
    }

    HttpHandleId add(Node node) {
        std::lock_guard<std::mutex> lock(mutex_);
        const HttpHandleId id = next_id_++;
        nodes_.emplace(id, std::move(node));
        return id;
    }

    template <typename T>
    std::shared_ptr<T> find(HttpHandleId id) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = nodes_.find(id);
        if (found == nodes_.end()) return nullptr;
        const auto* node = std::get_if<std::shared_ptr<T>>(&found->second);
        return node ? *node : nullptr;
    }

    Settings* settings_of(HttpHandleId id) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = nodes_.find(id);
        if (found == nodes_.end()) return nullptr;
        return std::visit([](auto& node) { return &node->settings; }, found->second);
    }

    std::mutex mutex_;
    std::map<HttpHandleId, Node> nodes_;
    HttpHandleId next_id_ = 1;
};

}  // namespace

// Never destroyed: web clients that live in statics close their handles at exit, possibly after
// a static transport would already be gone.
HttpTransport& platform_http_transport() {
    static CurlTransport* const transport = new CurlTransport();
    return *transport;
}

}  // namespace mervolt
