#include "support/web_request.h"

namespace mervolt {

std::uint32_t web_request_flags(bool secure, bool no_auto_redirect) {
    std::uint32_t flags = request_flag::reload | request_flag::no_cache_write |
                          request_flag::ignore_cert_date_invalid | request_flag::ignore_cert_cn_invalid;
    if (no_auto_redirect) flags |= request_flag::no_auto_redirect;
    flags |= request_flag::no_cookies;
    flags |= secure ? request_flag::secure : request_flag::ignore_redirect_to_https;
    return flags;
}

std::string default_request_headers(std::string_view client_address, bool is_post, std::string_view referer) {
    std::string block = "Accept: */*\r\nAccept-Language: zh-CN,zh;q=0.8,en-US;q=0.5,en;q=0.3";
    if (!client_address.empty()) {
        for (std::string_view name : {"X-Forwarded-For:", "CLIENT_IP:", "VIA:", "REMOTE_ADDR:"}) {
            block.append("\r\n").append(name).append(client_address);
        }
    }
    if (is_post) block.append("\r\nContent-Type:application/x-www-form-urlencoded");
    if (!referer.empty()) block.append("\r\nReferer: ").append(referer);
    return block;
}

void add_header_lines(HttpTransport& transport, HttpHandleId request, std::string_view lines,
                      std::uint32_t flags) {
    while (!lines.empty()) {
        const std::size_t end = lines.find("\r\n");
        const std::string_view line = lines.substr(0, end);
        if (!line.empty()) transport.add_request_headers(request, line, flags);
        if (end == std::string_view::npos) break;
        lines.remove_prefix(end + 2);
    }
}

void apply_lenient_request_options(HttpTransport& transport, HttpHandleId request) {
    transport.set_option(request, HttpOption::security_flags, security_flag::lenient);
    transport.set_option(request, HttpOption::http_decoding, 1);
}

}  // namespace mervolt
