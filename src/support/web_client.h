#pragma once
#include <string>
#include <string_view>

namespace mervolt {

class HttpTransport;  // support/faces/http_transport.h

// The reusable HTTP request object (one per purpose, alive for the whole process). Its request
// logic (address splitting, header assembly, cookie jar, redirects, retries, body store, gzip) is
// portable; the transport underneath is WinInet on Windows and libcurl on Linux.
// Not safe for concurrent use: one request at a time per object.
class WebClient {
public:
    explicit WebClient(HttpTransport& transport);
    ~WebClient();
    WebClient(const WebClient&) = delete;
    WebClient& operator=(const WebClient&) = delete;

    // POST of the body text; true when a response was received (whatever its status).
    bool post_text(std::string_view url, std::string_view body, std::string_view extra_cookies,
                   std::string_view extra_headers);
    // The last response's body, gzip-decoded when the server said so; the same text until the
    // next request; empty when there is none.
    std::string response_text();

    // Further operations and the object's fields are declared by the web-client module.
};

}  // namespace mervolt
