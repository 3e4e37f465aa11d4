#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "support/faces/http_transport.h"

namespace mervolt {

// What the web client and the one-shot fetch send alike.

inline constexpr std::string_view web_user_agent = "Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)";
inline constexpr std::string_view web_http_version = "HTTP/1.1";

// The largest body either keeps, as received or as decoded: a longer one counts as no body, so
// that an endless or inflating reply cannot exhaust memory.
inline constexpr std::size_t max_body_bytes = 16u << 20;

// Reload, never write the cache, tolerate certificate dates and names, no WinInet cookies; secure
// for https, else refuse silent upgrades to https.
std::uint32_t web_request_flags(bool secure, bool no_auto_redirect);

// The default header block: Accept and Accept-Language; the forged client address in four
// headers when given; the form content type for a POST; Referer when given.
std::string default_request_headers(std::string_view client_address, bool is_post, std::string_view referer);

// Adds the lines of a CR LF-separated block one call per line: WinInet stops at the first line
// it refuses, so with add_if_new one header the caller set itself would otherwise drop the rest.
void add_header_lines(HttpTransport& transport, HttpHandleId request, std::string_view lines,
                      std::uint32_t flags);

// Security flags and HTTP decoding on a fresh request: lenient certificates, bodies decoded by
// the HTTP layer.
void apply_lenient_request_options(HttpTransport& transport, HttpHandleId request);

inline std::span<const std::uint8_t> byte_span(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace mervolt
