#pragma once
#include "sockets.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace demo {

// The ports every line server listens on (PPTP, SSTP, and the third the client probes).
inline constexpr int line_ports[] = {1723, 6665, 1818};

struct LiveLink {
    std::string address;  // the line's address
    std::string user;     // the account, UTF-8
};

// The raw TCP side of the service, on one thread: the probe listener (connections are accepted and
// held until the peer closes) and the line servers, which take calls (see call_protocol.h) and
// keep each accepted call as a live link until either side closes it. A connection to a line that
// closes without sending anything is a reachability probe and is forgotten quietly.
class LineServers {
public:
    // Decides a call: the account name and password, UTF-8.
    using Authenticator = std::function<bool(std::string_view user, std::string_view password)>;

    explicit LineServers(Authenticator authenticate);
    ~LineServers();
    LineServers(const LineServers&) = delete;
    LineServers& operator=(const LineServers&) = delete;

    // Before start(); both throw std::runtime_error when a port cannot be had.
    // Returns the port actually bound (port 0 picks a free one).
    int open_probe(const std::string& address, int port);
    void open_lines(const std::vector<std::string>& addresses);

    void start();
    // Closes every listener, pending call and live link; never waits for a peer.
    void stop();

    // From any thread, each done when it returns.
    bool has_line(std::string_view address) const;
    // Down: the line's listeners close, so connects are refused; its live links stay.
    // Returns an error text, empty on success.
    std::string set_line_up(std::string_view address, bool up);
    // Closes the live links of one line, or of all lines; returns how many.
    int drop_links(const std::optional<std::string>& address);
    std::vector<LiveLink> links();
    // While refusing, every call is answered as a failed authentication.
    void refuse_calls(bool refuse) { refusing_ = refuse; }
    // Every line up, calls no longer refused; live links stay. Returns an error text, empty on success.
    std::string restore();

private:
    enum class Role { probe, call, link };
    struct Line {
        std::string address;
        std::vector<UniqueFd> listeners;  // empty while the line is down
    };
    struct Connection {
        UniqueFd fd;
        Role role = Role::call;
        std::string line;  // the line's address; empty for the probe listener
        std::string received;
        std::chrono::steady_clock::time_point deadline;
        std::string user;
        bool closed = false;
    };

    void run();
    void serve_once();
    void accept_from(int listener, Role role, const std::string& line);
    void read_from(Connection& connection);
    void answer_call(Connection& connection, std::string_view request);
    void run_commands();
    // Runs fn on the loop thread (or right here when the loop is not running) and waits for it.
    void in_loop(const std::function<void()>& fn);
    void wake();
    std::string open_line_ports(Line& line);
    Line* find_line(std::string_view address);

    Authenticator authenticate_;
    UniqueFd probe_;
    std::vector<Line> lines_;
    std::vector<Connection> connections_;
    std::chrono::steady_clock::time_point accept_paused_until_{};
    std::atomic<bool> refusing_{false};

    UniqueFd wake_fd_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    std::mutex commands_mutex_;
    bool loop_running_ = false;
    std::vector<std::packaged_task<void()>> commands_;
    std::vector<std::string> line_addresses_;  // fixed once the lines are open
};

}  // namespace demo
