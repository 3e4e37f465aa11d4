#pragma once
#include <string>
#include <string_view>

namespace demo {

// The body in the gzip format (RFC 1952), as sent with "Content-Encoding: gzip".
std::string gzip_compress(std::string_view body);

// Whether an Accept-Encoding header value accepts gzip: a "gzip" or "x-gzip" coding (any case)
// whose quality is not zero. Other codings are ignored: this service only ever sends gzip.
bool accepts_gzip(std::string_view accept_encoding);

}  // namespace demo
