#include "support/web_client.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <mutex>

#include "support/gzip.h"
#include "support/raw_headers.h"
#include "support/support_runtime.h"
#include "support/text.h"
#include "support/web_request.h"

namespace mervolt {
namespace {

constexpr std::size_t max_read_buffer = 1u << 20;
constexpr std::size_t unknown_length_read_buffer = 10240;

std::string upper_case(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool contains_ignoring_case(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && contains_ignoring_case(text.substr(0, prefix.size()), prefix);
}

std::string_view trim_spaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// A declared length: leading blanks, then decimal digits (clamped). No digits, a sign or 0 give
// -1, the "no length declared" of the object.
std::int32_t declared_length(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    std::int64_t length = 0;
    for (char c : value) {
        if (c < '0' || c > '9') break;
        length = std::min<std::int64_t>(length * 10 + (c - '0'), std::numeric_limits<std::int32_t>::max());
    }
    return length == 0 ? -1 : static_cast<std::int32_t>(length);
}

// "Set-Cookie: name=value; attributes": name and value, or nullopt for a line without ";" before
// the attributes, or with an empty name or value.
std::optional<std::pair<std::string_view, std::string_view>> set_cookie_pair(std::string_view line) {
    constexpr std::string_view prefix = "Set-Cookie:";
    const std::size_t at = line.find(prefix);
    if (at == std::string_view::npos) return std::nullopt;
    std::size_t start = at + prefix.size();
    while (start < line.size() && line[start] == ' ') ++start;
    const std::size_t equals = line.find('=', start);
    const std::size_t semicolon = line.find(';', start);
    if (equals == std::string_view::npos || semicolon == std::string_view::npos || semicolon < equals) {
        return std::nullopt;
    }
    const std::string_view name = line.substr(start, equals - start);
    const std::string_view value = line.substr(equals + 1, semicolon - equals - 1);
    if (name.empty() || value.empty()) return std::nullopt;
    return std::pair{name, value};
}

template <typename Visit>
void for_each_set_cookie(std::string_view headers, Visit visit) {
    for (const std::string& line : split_fields(headers, "\r\n")) {
        if (auto pair = set_cookie_pair(line)) visit(pair->first, pair->second);
    }
}

void put_named(NamedValues& list, std::string_view name, std::string_view value) {
    const auto existing = std::find_if(list.begin(), list.end(), [&](const auto& entry) { return entry.first == name; });
    if (existing != list.end()) {
        existing->second = std::string(value);
    } else {
        list.emplace_back(std::string(name), std::string(value));
    }
}

std::string as_text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

WebClient::WebClient(HttpTransport& transport) : transport_(transport) { open_root(); }

WebClient::~WebClient() { close_all(); }

std::unique_ptr<WebClient> WebClient::copy() const {
    auto twin = std::make_unique<WebClient>(transport_);
    if (!proxy_address_.empty()) twin->set_proxy(proxy_address_, proxy_user_, proxy_password_);
    twin->client_address_ = client_address_;
    twin->current_url_ = current_url_;
    twin->referer_ = referer_;
    twin->scheme_ = scheme_;
    twin->host_ = host_;
    twin->port_ = port_;
    twin->content_length_ = content_length_;
    twin->response_headers_ = response_headers_;
    twin->is_post_ = is_post_;
    twin->retry_limit_ = retry_limit_;
    twin->headers_ = headers_;
    twin->redirect_mode_ = redirect_mode_;
    twin->cookies_ = cookies_;
    return twin;
}

// --- Handles ---------------------------------------------------------------------------------

void WebClient::open_root() {
    if (root_handle_) return;
    root_handle_ = HttpHandle(transport_, transport_.open_root(web_user_agent, http_access::direct));
}

void WebClient::close_all() {
    request_handle_.reset();
    connection_handle_.reset();
    root_handle_.reset();
    body_store_.reset();
    for (std::string* text : {&proxy_address_, &proxy_user_, &proxy_password_, &current_url_, &host_, &scheme_,
                              &response_headers_, &referer_}) {
        text->clear();
    }
    headers_.clear();
    cookies_.clear();
    port_ = 0;
    content_length_ = 0;
    retry_limit_ = 0;
    redirect_mode_ = 0;
    is_post_ = 0;
}

void WebClient::reopen_root() {
    close_all();
    open_root();
}

// --- Steps of a request ----------------------------------------------------------------------

std::optional<WebAddress> WebClient::split_url(std::string_view url) { return split_web_address(url); }

bool WebClient::open_request(std::string_view method, std::string_view url) {
    request_handle_.reset();
    connection_handle_.reset();
    body_store_.reset();
    current_url_ = normalise_web_address(url);

    const std::optional<WebAddress> address = split_url(current_url_);
    if (!address) return false;
    scheme_ = address->scheme;
    connection_handle_ = HttpHandle(transport_, transport_.connect(root_handle_.get(), address->host, address->port));
    if (!connection_handle_) return false;

    const std::string verb = method.empty() ? std::string("GET") : upper_case(method);
    is_post_ = verb == "POST" ? 1 : 0;
    host_ = address->host;
    port_ = address->port;

    const bool secure = scheme_ == "https://";
    const std::uint32_t flags = web_request_flags(secure, redirect_mode_ == 0 || redirect_mode_ == 1);
    request_handle_ = HttpHandle(
        transport_, transport_.open_request(connection_handle_.get(), verb, address->path, web_http_version, flags));
    return static_cast<bool>(request_handle_);
}

void WebClient::apply_request_options(std::string_view extra_cookies) {
    if (!proxy_address_.empty()) {
        transport_.set_option_text(connection_handle_.get(), HttpOption::proxy_user_name, proxy_user_);
        transport_.set_option_text(connection_handle_.get(), HttpOption::proxy_password, proxy_password_);
    }
    apply_lenient_request_options(transport_, request_handle_.get());
    // Without cookies no Cookie line is added at all: on a fresh request an empty one would only
    // remove what is not there, and some WinInet versions send it as an empty header instead.
    const std::string cookies = cookie_header_value(extra_cookies);
    if (!cookies.empty()) {
        transport_.add_request_headers(request_handle_.get(), "Cookie:" + cookies, header_flag::replace_or_add);
    }
}

void WebClient::add_request_headers(std::string_view extra_headers) {
    if (!headers_.empty()) {
        std::string lines;
        for (const auto& [name, value] : headers_) {
            if (!lines.empty()) lines.append("\r\n");
            lines.append(name).append(":").append(value);
        }
        add_header_lines(transport_, request_handle_.get(), lines, header_flag::replace_or_add);
    }
    if (!extra_headers.empty()) {
        add_header_lines(transport_, request_handle_.get(), extra_headers, header_flag::replace_or_add);
    }
    const bool caller_names_referer = extra_headers.find("Referer:") != std::string_view::npos;
    const std::string block =
        default_request_headers(client_address_, is_post_ == 1, caller_names_referer ? std::string_view{} : referer_);
    add_header_lines(transport_, request_handle_.get(), block, header_flag::add_if_new);
    referer_ = current_url_;
}

bool WebClient::send_with_retries(std::span<const std::uint8_t> data) {
    const int attempts = std::max(retry_limit_, 0) + 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const std::uint32_t error = transport_.send_request(request_handle_.get(), data);
        if (error == 0) return true;
        if (error != http_error::cannot_connect && error != http_error::connection_reset) return false;
    }
    return false;
}

bool WebClient::request(std::string_view method, std::string_view url, std::span<const std::uint8_t> body,
                        std::string_view extra_cookies, std::string_view extra_headers) {
    retry_limit_ = 10;
    content_length_ = 0;
    response_headers_.clear();
    if (!root_handle_) return false;
    if (!open_request(method, url)) return false;
    apply_request_options(extra_cookies);
    add_request_headers(extra_headers);
    if (!send_with_retries(is_post_ == 1 ? body : std::span<const std::uint8_t>{})) return false;
    read_response_headers();
    follow_redirects(extra_cookies, extra_headers);
    return true;
}

bool WebClient::read_response_headers() {
    const std::optional<std::string> raw = transport_.query_raw_headers(request_handle_.get());
    if (!raw || raw->empty()) {
        content_length_ = -1;
        return false;
    }
    response_headers_ = *raw;
    const std::optional<RawHeaderField> length = find_raw_header(response_headers_, "Content-Length");
    content_length_ = length ? declared_length(length->value) : -1;
    for_each_set_cookie(response_headers_, [&](std::string_view name, std::string_view value) {
        put_named(cookies_, name, value);
    });
    return true;
}

std::string WebClient::redirect_target(bool make_absolute) const {
    if (response_headers_.empty()) return {};
    const std::optional<RawHeaderField> location = find_raw_header(response_headers_, "Location");
    if (!location || !location->line_ended) return {};
    const std::string target(trim_spaces(location->value));
    if (!make_absolute || target.empty()) return target;
    if (target.front() == '/') return scheme_ + host_ + ":" + std::to_string(port_) + target;
    if (starts_with_ignoring_case(target, "http://") || starts_with_ignoring_case(target, "https://")) return target;
    // Relative: against the directory of the current path (a "/" inside the query is no
    // directory separator).
    const std::optional<WebAddress> current = split_url(current_url_);
    if (!current) return target;
    const std::string_view path = std::string_view(current->path).substr(0, current->path.find('?'));
    const std::string_view directory = path.substr(0, path.rfind('/') + 1);
    return current_url_.substr(0, current->path_start) + std::string(directory) + target;
}

bool WebClient::follow_redirects(std::string_view extra_cookies, std::string_view extra_headers) {
    if (redirect_mode_ != 0 && redirect_mode_ != 3) return false;
    std::string target = redirect_target(true);
    for (int hops = 0; !target.empty(); ++hops) {
        if (hops == max_redirect_hops) {
            // A chain this long (or a loop) ends as a failed hop would: no body to read.
            request_handle_.reset();
            connection_handle_.reset();
            body_store_.reset();
            return false;
        }
        open_request("GET", target);
        apply_request_options(extra_cookies);
        add_request_headers(extra_headers);
        if (!send_with_retries({})) return false;
        read_response_headers();
        target = redirect_target(true);
    }
    return true;
}

void WebClient::read_body() {
    if (!request_handle_ || content_length_ == 0) return;
    if (body_store_) return;  // read from the network once per request; kept for repeated reads
    body_store_.emplace();

    std::vector<std::uint8_t> buffer;
    {
        const std::size_t size = content_length_ >= 1
                                     ? std::min<std::size_t>(static_cast<std::size_t>(content_length_), max_read_buffer)
                                     : unknown_length_read_buffer;
        std::lock_guard<std::mutex> lock(support_runtime().body_buffer_lock);
        buffer.resize(size);
    }
    for (;;) {
        const std::optional<std::size_t> count = transport_.read_file(request_handle_.get(), buffer);
        if (!count || *count == 0) break;
        if (*count > max_body_bytes - body_store_->bytes.size()) {
            body_store_->bytes = {};
            body_store_->too_large = true;
            break;
        }
        body_store_->bytes.insert(body_store_->bytes.end(), buffer.begin(), buffer.begin() + *count);
    }
}

// --- The last response -----------------------------------------------------------------------

std::optional<std::vector<std::uint8_t>> WebClient::decoded_body() {
    read_body();
    if (!body_store_ || body_store_->too_large) return std::nullopt;
    if (contains_ignoring_case(response_headers_, "Content-Encoding: gzip")) {
        return gzip_decode(body_store_->bytes, max_body_bytes);
    }
    return body_store_->bytes;
}

std::string WebClient::response_text() {
    const std::optional<std::vector<std::uint8_t>> body = decoded_body();
    return body ? as_text(*body) : std::string();
}

std::string WebClient::response_text_utf8() { return utf8_to_local(response_text()); }

std::vector<std::uint8_t> WebClient::response_bytes() {
    std::optional<std::vector<std::uint8_t>> body = decoded_body();
    return body ? std::move(*body) : std::vector<std::uint8_t>();
}

std::string WebClient::response_header(std::string_view name) const {
    if (name.empty()) return response_headers_;
    const std::optional<RawHeaderField> field = find_raw_header(response_headers_, name);
    if (!field) return {};
    std::string_view value = field->value;
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    return std::string(value);
}

int WebClient::status_code() {
    if (!request_handle_ || content_length_ == 0) return 0;
    const std::optional<std::uint32_t> status = transport_.query_status_code(request_handle_.get());
    return status ? static_cast<int>(*status) : 0;
}

std::string WebClient::response_cookie(std::string_view name) const {
    std::string found;
    for_each_set_cookie(response_headers_, [&](std::string_view cookie, std::string_view value) {
        if (cookie == name) found = std::string(value);
    });
    return found;
}

// --- Cookie jar ----------------------------------------------------------------------------------

void WebClient::merge_cookie_text(std::string_view cookie_text, NamedValues& jar) {
    for (const std::string& part : split_fields(cookie_text, "; ")) {
        const std::size_t equals = part.find('=');
        if (equals == std::string::npos || equals + 1 == part.size()) continue;
        put_named(jar, std::string_view(part).substr(0, equals), std::string_view(part).substr(equals + 1));
    }
}

std::string WebClient::cookie_header_value(std::string_view extra_cookies) const {
    NamedValues jar = cookies_;
    if (!extra_cookies.empty()) merge_cookie_text(extra_cookies, jar);
    std::string value;
    for (const auto& [name, cookie] : jar) {
        if (!value.empty()) value.append("; ");
        value.append(name).append("=").append(cookie);
    }
    return value;
}

std::string WebClient::cookie_value(std::string_view name, bool with_name) const {
    if (name.empty()) return cookie_header_value({});
    const auto entry = std::find_if(cookies_.begin(), cookies_.end(), [&](const auto& e) { return e.first == name; });
    if (entry == cookies_.end()) return {};
    return with_name ? entry->first + "=" + entry->second : entry->second;
}

bool WebClient::merge_cookies(std::string_view cookie_text) {
    merge_cookie_text(cookie_text, cookies_);
    return true;
}

bool WebClient::remove_cookies(std::string_view names) {
    if (names.empty()) {
        cookies_.clear();
        return true;
    }
    for (const std::string& part : split_fields(names, "; ")) {
        const std::string name = part.substr(0, part.find('='));
        std::erase_if(cookies_, [&](const auto& entry) { return entry.first == name; });
    }
    return true;
}

// --- Settings --------------------------------------------------------------------------------------

void WebClient::set_redirect_mode(int mode) { redirect_mode_ = mode; }

bool WebClient::set_proxy(std::string_view address, std::string_view user, std::string_view password) {
    proxy_address_.clear();
    proxy_user_.clear();
    proxy_password_.clear();
    if (!root_handle_) return false;
    if (address.empty()) return transport_.set_proxy(root_handle_.get(), http_access::direct, {}, {});
    const bool set = transport_.set_proxy(root_handle_.get(), http_access::proxy, address, {});
    if (set) {
        proxy_address_ = std::string(address);
        proxy_user_ = std::string(user);
        proxy_password_ = std::string(password);
    }
    return set;
}

bool WebClient::set_client_address(std::string_view address) {
    client_address_ = std::string(address);
    return true;
}

bool WebClient::set_timeouts(std::optional<std::uint32_t> connect_ms, std::optional<std::uint32_t> send_ms,
                             std::optional<std::uint32_t> receive_ms) {
    if (!root_handle_) return false;
    const HttpHandleId root = root_handle_.get();
    const bool connect_set = transport_.set_option(root, HttpOption::connect_timeout, connect_ms.value_or(15000));
    const bool send_set = transport_.set_option(root, HttpOption::send_timeout, send_ms.value_or(120000));
    const bool receive_set = transport_.set_option(root, HttpOption::receive_timeout, receive_ms.value_or(300000));
    return connect_set && send_set && receive_set;
}

void WebClient::set_header(std::string_view name, std::string_view value) {
    const auto existing = std::find_if(headers_.begin(), headers_.end(), [&](const auto& e) { return e.first == name; });
    if (existing != headers_.end()) {
        if (value.empty()) {
            headers_.erase(existing);
        } else {
            existing->second = std::string(value);
        }
    } else if (!value.empty()) {
        headers_.emplace_back(std::string(name), std::string(value));
    }
}

void WebClient::clear_headers() { headers_.clear(); }

void WebClient::set_retry_count(int count) { retry_limit_ = count; }

// --- Requests --------------------------------------------------------------------------------------

bool WebClient::request_with_method(std::string_view method, std::string_view url, std::span<const std::uint8_t> body,
                                    std::string_view extra_cookies, std::string_view extra_headers) {
    return request(upper_case(method), url, body, extra_cookies, extra_headers);
}

bool WebClient::get(std::string_view url, std::string_view extra_cookies, std::string_view extra_headers) {
    return request("GET", url, {}, extra_cookies, extra_headers);
}

bool WebClient::post_text(std::string_view url, std::string_view body, std::string_view extra_cookies,
                          std::string_view extra_headers) {
    return request("POST", url, byte_span(body), extra_cookies, extra_headers);
}

bool WebClient::post_bytes(std::string_view url, std::span<const std::uint8_t> body, std::string_view extra_cookies,
                           std::string_view extra_headers) {
    return request("POST", url, body, extra_cookies, extra_headers);
}

}  // namespace mervolt
