#include "line_servers.h"

#include "call_protocol.h"
#include "gbk_conversion.h"

#include <algorithm>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace demo {
namespace {

using Clock = std::chrono::steady_clock;

// sim-ras gives up on a call after 10 s without an answer; a peer that has sent no complete
// request line by then is not placing a call.
constexpr auto call_request_time = std::chrono::seconds(10);
constexpr size_t longest_request = 1024;
constexpr size_t most_connections = 512;

void send_text(int fd, std::string_view text) {
    // A few bytes on a fresh connection: they fit the socket buffer, or the peer is gone anyway.
    [[maybe_unused]] ssize_t sent = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace

LineServers::LineServers(Authenticator authenticate)
    : authenticate_(std::move(authenticate)), wake_fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (!wake_fd_) throw std::runtime_error("cannot make an eventfd");
}

LineServers::~LineServers() { stop(); }

int LineServers::open_probe(const std::string& address, int port) {
    probe_ = listen_tcp(address, port);
    return bound_port(probe_.get());
}

void LineServers::open_lines(const std::vector<std::string>& addresses) {
    for (const std::string& address : addresses) {
        Line line{address, {}};
        std::string error = open_line_ports(line);
        if (!error.empty()) throw std::runtime_error(error);
        lines_.push_back(std::move(line));
        line_addresses_.push_back(address);
    }
}

std::string LineServers::open_line_ports(Line& line) {
    std::vector<UniqueFd> listeners;
    try {
        for (int port : line_ports) listeners.push_back(listen_tcp(line.address, port));
    } catch (const std::exception& e) {
        return e.what();
    }
    line.listeners = std::move(listeners);
    return {};
}

void LineServers::start() {
    std::lock_guard lock(commands_mutex_);
    loop_running_ = true;
    thread_ = std::thread([this] { run(); });
}

void LineServers::stop() {
    stopping_ = true;
    wake();
    if (thread_.joinable()) thread_.join();
}

void LineServers::wake() {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(wake_fd_.get(), &one, sizeof one);
}

void LineServers::in_loop(const std::function<void()>& fn) {
    std::packaged_task<void()> task(fn);
    auto done = task.get_future();
    {
        std::lock_guard lock(commands_mutex_);
        if (!loop_running_) {
            task();
            done.get();
            return;
        }
        commands_.push_back(std::move(task));
    }
    wake();
    done.get();
}

void LineServers::run_commands() {
    std::vector<std::packaged_task<void()>> commands;
    {
        std::lock_guard lock(commands_mutex_);
        commands.swap(commands_);
    }
    for (auto& command : commands) command();
}

void LineServers::run() {
    while (!stopping_) serve_once();
    std::lock_guard lock(commands_mutex_);
    connections_.clear();
    for (Line& line : lines_) line.listeners.clear();
    probe_.reset();
    // Whoever still waits for a command gets it done on what is now a closed service.
    for (auto& command : commands_) command();
    commands_.clear();
    loop_running_ = false;
}

void LineServers::serve_once() {
    struct Source {
        int fd;
        Role role;  // probe or call: what the accepted connections become
        const std::string* line;
    };
    std::vector<Source> listeners;
    Clock::time_point now = Clock::now();
    if (now >= accept_paused_until_) {
        static const std::string no_line;
        if (probe_) listeners.push_back({probe_.get(), Role::probe, &no_line});
        for (const Line& line : lines_)
            for (const UniqueFd& fd : line.listeners) listeners.push_back({fd.get(), Role::call, &line.address});
    }
    std::vector<pollfd> polled;
    polled.push_back({wake_fd_.get(), POLLIN, 0});
    for (const Source& source : listeners) polled.push_back({source.fd, POLLIN, 0});
    for (const Connection& c : connections_) polled.push_back({c.fd.get(), POLLIN, 0});

    Clock::time_point next = now + std::chrono::seconds(1);
    if (accept_paused_until_ > now) next = std::min(next, accept_paused_until_);
    for (const Connection& c : connections_)
        if (c.role == Role::call) next = std::min(next, c.deadline);
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
    int ready = ::poll(polled.data(), polled.size(), static_cast<int>(std::max<long long>(wait, 0)) + 1);
    if (ready < 0) return;  // EINTR

    if (polled[0].revents & POLLIN) {
        uint64_t count;
        [[maybe_unused]] ssize_t n = ::read(wake_fd_.get(), &count, sizeof count);
    }
    size_t at = 1;
    for (const Source& source : listeners)
        if (polled[at++].revents & POLLIN) accept_from(source.fd, source.role, *source.line);
    size_t existing = polled.size() - at;
    for (size_t i = 0; i < existing; ++i)
        if (polled[at + i].revents & (POLLIN | POLLHUP | POLLERR)) read_from(connections_[i]);

    now = Clock::now();
    for (Connection& c : connections_)
        if (c.role == Role::call && now >= c.deadline) c.closed = true;
    std::erase_if(connections_, [](const Connection& c) { return c.closed; });
    // Last: a command may close listeners or links the loop above was looking at.
    run_commands();
}

void LineServers::accept_from(int listener, Role role, const std::string& line) {
    while (true) {
        UniqueFd fd(::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd) {
            // Out of descriptors: the pending connection stays readable, so stop asking for a while.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                accept_paused_until_ = Clock::now() + std::chrono::milliseconds(100);
            return;
        }
        if (connections_.size() >= most_connections) continue;  // refused by closing at once
        Connection c;
        c.fd = std::move(fd);
        c.role = role;
        c.line = line;
        c.deadline = Clock::now() + call_request_time;
        connections_.push_back(std::move(c));
    }
}

void LineServers::read_from(Connection& connection) {
    char buffer[512];
    ssize_t n = ::recv(connection.fd.get(), buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n <= 0) {
        connection.closed = true;  // the peer hung up (or reset): a probe, a dropped call, a hang-up
        return;
    }
    if (connection.role != Role::call) return;  // nothing more is expected on a probe or a link
    connection.received.append(buffer, static_cast<size_t>(n));
    size_t end = connection.received.find('\n');
    if (end != std::string::npos) answer_call(connection, std::string_view(connection.received).substr(0, end));
    else if (connection.received.size() > longest_request) connection.closed = true;
}

void LineServers::answer_call(Connection& connection, std::string_view request) {
    auto dial = parse_dial(request);
    if (!dial) {
        connection.closed = true;  // not a call: no answer
        return;
    }
    auto user = gbk_to_utf8(dial->user);
    auto password = gbk_to_utf8(dial->password);
    if (refusing_ || !user || !password || !authenticate_(*user, *password)) {
        send_text(connection.fd.get(), call_refused);
        connection.closed = true;
        return;
    }
    send_text(connection.fd.get(), call_accepted);
    connection.role = Role::link;
    connection.user = *user;
    connection.received.clear();
}

LineServers::Line* LineServers::find_line(std::string_view address) {
    for (Line& line : lines_)
        if (line.address == address) return &line;
    return nullptr;
}

bool LineServers::has_line(std::string_view address) const {
    return std::find(line_addresses_.begin(), line_addresses_.end(), address) != line_addresses_.end();
}

std::string LineServers::set_line_up(std::string_view address, bool up) {
    std::string error;
    in_loop([&] {
        Line* line = find_line(address);
        if (!line) error = "no line " + std::string(address);
        else if (!up) line->listeners.clear();
        else if (line->listeners.empty()) error = open_line_ports(*line);
    });
    return error;
}

int LineServers::drop_links(const std::optional<std::string>& address) {
    int dropped = 0;
    in_loop([&] {
        for (Connection& c : connections_) {
            if (c.role != Role::link || c.closed || (address && c.line != *address)) continue;
            c.fd.reset();  // the server closes: the peer sees the link end
            c.closed = true;
            ++dropped;
        }
        std::erase_if(connections_, [](const Connection& c) { return c.closed; });
    });
    return dropped;
}

std::vector<LiveLink> LineServers::links() {
    std::vector<LiveLink> links;
    in_loop([&] {
        for (const Connection& c : connections_)
            if (c.role == Role::link && !c.closed) links.push_back({c.line, c.user});
    });
    return links;
}

std::string LineServers::restore() {
    refusing_ = false;
    std::string errors;
    for (const std::string& address : line_addresses_) {
        std::string error = set_line_up(address, true);
        if (!error.empty()) errors += error + "\n";
    }
    return errors;
}

}  // namespace demo
