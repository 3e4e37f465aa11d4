#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "support/faces/http_transport.h"

namespace mervolt {

enum class FetchMethod : std::int32_t { get = 0, post = 1, head = 2 };

// One web page in one call: its own root handle, connection and request, closed again before it
// returns; nothing is shared with other calls, so any thread may call it. The result is the body
// up to its first zero byte, whatever the status (an error page's body too); empty for an empty
// address, a failed open, connect or send, or a body beyond max_body_bytes.
//   cookies           in: sent as the Cookie header ("a=1; b=2"); out: merged with the response's
//   response_cookies  out: the cookies the response set
//   response_headers  out: the raw response header block
//   body_bytes        a POST's body; when not empty it is sent instead of form_text
//   timeout_ms        connect, send and receive time-out; 0 means 15000
//   client_address    when not empty, forged in four headers
// The out parameters (nullptr: not wanted) stay unchanged when the exchange fails.
std::string fetch_page(HttpTransport& transport, std::string_view address, FetchMethod method = FetchMethod::get,
                       std::string_view form_text = {}, std::string* cookies = nullptr,
                       std::string* response_cookies = nullptr, std::string_view extra_headers = {},
                       std::string* response_headers = nullptr, bool no_redirect = false,
                       std::span<const std::uint8_t> body_bytes = {}, std::int32_t timeout_ms = 0,
                       std::string_view client_address = {}, std::string_view proxy_address = {},
                       std::string_view proxy_user = {}, std::string_view proxy_password = {});

// The cookies a response header block sets, as "a=1; b=2": each "Set-Cookie: " line with a
// non-empty value before its first ";".
std::string response_set_cookies(std::string_view raw_headers);
// The response's cookies, then the caller's cookies whose names the response did not set;
// deleted cookies ("=deleted") and pieces under 3 characters dropped.
std::string merge_fetched_cookies(std::string_view response_cookies, std::string_view caller_cookies);

}  // namespace mervolt
