#include "support/fetch_page.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "support/text.h"
#include "support/web_address.h"
#include "support/web_request.h"

namespace mervolt {
namespace {

constexpr std::size_t read_piece = 1024;

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::vector<std::string> trimmed_pieces(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    for (const std::string& piece : split_fields(text, separator)) pieces.emplace_back(trim(piece));
    return pieces;
}

// A cookie's name for matching: up to and including the first "=".
std::string_view cookie_key(std::string_view cookie) { return cookie.substr(0, cookie.find('=') + 1); }

bool is_deleted(std::string_view cookie) {
    if (cookie.size() < 8) return false;
    std::string tail(cookie.substr(cookie.size() - 8));
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == "=deleted";
}

const char* method_text(FetchMethod method) {
    switch (method) {
    case FetchMethod::get: return "GET";
    case FetchMethod::post: return "POST";
    case FetchMethod::head: return "HEAD";
    }
    return nullptr;
}

}  // namespace

std::string response_set_cookies(std::string_view raw_headers) {
    constexpr std::string_view prefix = "Set-Cookie: ";
    std::string cookies;
    for (const std::string& line : trimmed_pieces(raw_headers, "\r\n")) {
        if (!line.starts_with(prefix)) continue;
        const std::string_view rest = std::string_view(line).substr(prefix.size());
        const std::size_t semicolon = rest.find(';');
        if (semicolon == std::string_view::npos) continue;
        const std::string_view cookie = rest.substr(0, semicolon);
        const std::size_t equals = cookie.find('=');
        if (equals == std::string_view::npos || equals + 1 == cookie.size()) continue;
        if (!cookies.empty()) cookies.append("; ");
        cookies.append(cookie);
    }
    return cookies;
}

std::string merge_fetched_cookies(std::string_view response_cookies, std::string_view caller_cookies) {
    std::vector<std::string> merged = trimmed_pieces(response_cookies, "; ");
    const std::size_t set_by_response = merged.size();
    for (std::string& cookie : trimmed_pieces(caller_cookies, "; ")) {
        const auto response_end = merged.begin() + static_cast<std::ptrdiff_t>(set_by_response);
        const bool replaced = std::any_of(merged.begin(), response_end, [&](const std::string& set) {
            return cookie_key(set) == cookie_key(cookie);
        });
        if (!replaced) merged.push_back(std::move(cookie));
    }
    std::string joined;
    for (const std::string& cookie : merged) {
        if (is_deleted(cookie) || cookie.size() < 3) continue;
        if (!joined.empty()) joined.append("; ");
        joined.append(cookie);
    }
    return joined;
}

std::string fetch_page(HttpTransport& transport, std::string_view address, FetchMethod method,
                       std::string_view form_text, std::string* cookies, std::string* response_cookies,
                       std::string_view extra_headers, std::string* response_headers, bool no_redirect,
                       std::span<const std::uint8_t> body_bytes, std::int32_t timeout_ms,
                       std::string_view client_address, std::string_view proxy_address,
                       std::string_view proxy_user, std::string_view proxy_password) {
    const char* verb = method_text(method);
    if (address.empty() || verb == nullptr) return {};
    const std::uint32_t timeout = timeout_ms > 0 ? static_cast<std::uint32_t>(timeout_ms) : 15000;
    const std::optional<WebAddress> parts = split_web_address(normalise_web_address(address));
    if (!parts) return {};

    // Declared in this order so that they close in reverse: request, connection, root.
    HttpHandle root(transport, transport.open_root(web_user_agent, http_access::direct));
    if (!root) return {};
    for (HttpOption option : {HttpOption::connect_timeout, HttpOption::send_timeout, HttpOption::receive_timeout}) {
        transport.set_option(root.get(), option, timeout);
    }
    HttpHandle connection(transport, transport.connect(root.get(), parts->host, parts->port));
    if (!connection) return {};
    const bool secure = parts->scheme == "https://";
    HttpHandle request(transport, transport.open_request(connection.get(), verb, parts->path, web_http_version,
                                                         web_request_flags(secure, no_redirect)));
    if (!request) return {};

    if (!proxy_address.empty() && transport.set_proxy(root.get(), http_access::proxy, proxy_address, {})) {
        transport.set_option_text(connection.get(), HttpOption::proxy_user_name, proxy_user);
        transport.set_option_text(connection.get(), HttpOption::proxy_password, proxy_password);
    }
    apply_lenient_request_options(transport, request.get());
    // As in the web client, no Cookie line at all without cookies.
    if (cookies && !cookies->empty()) {
        transport.add_request_headers(request.get(), "Cookie:" + *cookies, header_flag::replace_or_add);
    }
    if (!extra_headers.empty()) add_header_lines(transport, request.get(), extra_headers, header_flag::replace_or_add);
    const bool is_post = method == FetchMethod::post;
    const bool caller_names_referer = extra_headers.find("Referer:") != std::string_view::npos;
    add_header_lines(transport, request.get(),
                     default_request_headers(client_address, is_post, caller_names_referer ? std::string_view{} : address),
                     header_flag::add_if_new);

    std::span<const std::uint8_t> data;
    if (is_post) data = body_bytes.empty() ? byte_span(form_text) : body_bytes;
    if (transport.send_request(request.get(), data) != 0) return {};

    std::string body;
    std::uint8_t piece[read_piece];
    for (;;) {
        const std::optional<std::size_t> count = transport.read_file(request.get(), piece);
        if (!count || *count == 0) break;
        if (*count > max_body_bytes - body.size()) return {};
        body.append(reinterpret_cast<const char*>(piece), *count);
    }

    if (const std::optional<std::string> raw = transport.query_raw_headers(request.get()); raw && !raw->empty()) {
        const std::string set = response_set_cookies(*raw);
        if (cookies) *cookies = merge_fetched_cookies(set, *cookies);
        if (response_cookies) *response_cookies = set;
        if (response_headers) *response_headers = *raw;
    }
    return body.substr(0, body.find('\0'));
}

}  // namespace mervolt
