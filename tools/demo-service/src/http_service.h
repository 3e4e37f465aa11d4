#pragma once
#include "fault_board.h"
#include "line_servers.h"
#include "request_log.h"
#include "store.h"

#include <functional>
#include <memory>
#include <string>

namespace demo {

// The HTTP side: nas.php with its five operations, the IP-lookup page and the admin interface,
// with the faults of the FaultBoard applied to every service reply.
class HttpService {
public:
    HttpService(Store& store, LineServers& lines, RequestLog& log);
    ~HttpService();
    HttpService(const HttpService&) = delete;
    HttpService& operator=(const HttpService&) = delete;

    // Binds and listens; port 0 picks a free one. Returns the port. Throws std::runtime_error.
    int bind(const std::string& address, int port);
    // Serves on a thread of its own; returns once requests are being taken. on_failure runs (on
    // that thread) when serving ends without stop() having been called.
    void start(std::function<void()> on_failure);
    // Cuts slow replies short, closes the listener and the open connections, and waits for the
    // request threads.
    void stop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace demo
