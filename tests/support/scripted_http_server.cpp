#include "support/scripted_http_server.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

#include "support/loopback_socket.h"

namespace mervolt {
namespace {

using Socket = NativeSocket;

Socket to_socket(std::uintptr_t value) { return static_cast<Socket>(value); }

// A socket bound to a random loopback address and a free port.
Socket bind_loopback(std::string& host, std::uint16_t& port) {
    start_sockets();
    for (int attempt = 0; attempt < 20; ++attempt) {
        const std::string candidate = random_loopback_host();
        const Socket s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == no_socket) throw std::runtime_error("socket() failed");
        sockaddr_in address = address_of(candidate, 0);
        if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            socklen_t length = sizeof address;
            getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
            host = candidate;
            port = ntohs(address.sin_port);
            return s;
        }
        close_socket(s);
    }
    throw std::runtime_error("no loopback address could be bound");
}

bool readable(Socket s, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return ::select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &wait) > 0;
}

void reset_and_close(Socket s) {
    linger option{1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&option), sizeof option);
    close_socket(s);
}

bool send_all(Socket s, std::string_view bytes) {
    while (!bytes.empty()) {
        const int sent = ::send(s, bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20)), 0);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
    for (const std::string& line : header_lines) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && same_name(trim(std::string_view(line).substr(0, colon)), name)) {
            return std::string(trim(std::string_view(line).substr(colon + 1)));
        }
    }
    return std::nullopt;
}

struct ScriptedHttpServer::Connection {
    Socket socket = no_socket;
};

ScriptedHttpServer::ScriptedHttpServer(std::vector<ScriptedReply> script) : script_(std::move(script)) {
    if (script_.empty()) script_.emplace_back();
    const Socket listener = bind_loopback(host_, port_);
    ::listen(listener, 16);
    listener_ = static_cast<std::uintptr_t>(listener);
    acceptor_ = std::thread([this] { accept_loop(); });
}

ScriptedHttpServer::~ScriptedHttpServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stop_signal_.notify_all();
    acceptor_.join();
    close_socket(to_socket(listener_));
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        threads.swap(threads_);
    }
    for (std::thread& thread : threads) thread.join();
}

std::string ScriptedHttpServer::base_url() const { return "http://" + host_ + ":" + std::to_string(port_); }

void ScriptedHttpServer::set_other(std::string url) {
    std::lock_guard<std::mutex> lock(mutex_);
    other_ = std::move(url);
}

std::vector<RecordedRequest> ScriptedHttpServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void ScriptedHttpServer::accept_loop() {
    const Socket listener = to_socket(listener_);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) return;
        }
        if (!readable(listener, 50)) continue;
        const Socket accepted = ::accept(listener, nullptr, nullptr);
        if (accepted == no_socket) continue;
        auto connection = std::make_shared<Connection>();
        connection->socket = accepted;
        std::lock_guard<std::mutex> lock(mutex_);
        threads_.emplace_back([this, connection] { serve(connection); });
    }
}

ScriptedReply ScriptedHttpServer::next_reply() {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t index = std::min(next_reply_, script_.size() - 1);
    ++next_reply_;
    return script_[index];
}

bool ScriptedHttpServer::wait_or_stop(int milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (milliseconds < 0) {
        stop_signal_.wait(lock, [this] { return stopping_; });
    } else {
        stop_signal_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping_; });
    }
    return !stopping_;
}

std::string ScriptedHttpServer::expand(std::string text) const {
    for (const auto& [mark, value] : {std::pair<std::string, std::string>{"{self}", base_url()}, {"{other}", other_}}) {
        for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size())) {
            text.replace(at, mark.size(), value);
        }
    }
    return text;
}

void ScriptedHttpServer::serve(std::shared_ptr<Connection> connection) {
    const Socket s = connection->socket;
    std::string received;
    // Reads until `have` says there is enough; false when the peer closed or the server stops.
    auto receive_until = [&](auto have) {
        char chunk[16384];
        while (!have()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stopping_) return false;
            }
            if (!readable(s, 50)) continue;
            const int count = ::recv(s, chunk, sizeof chunk, 0);
            if (count <= 0) return false;
            received.append(chunk, static_cast<std::size_t>(count));
        }
        return true;
    };

    for (;;) {
        if (!receive_until([&] { return received.find("\r\n\r\n") != std::string::npos; })) break;
        const std::size_t head_end = received.find("\r\n\r\n");
        RecordedRequest request;
        std::size_t line_start = 0;
        std::size_t body_length = 0;
        while (line_start < head_end) {
            std::size_t line_end = received.find("\r\n", line_start);
            const std::string line = received.substr(line_start, line_end - line_start);
            if (line_start == 0) {
                request.request_line = line;
            } else {
                request.header_lines.push_back(line);
            }
            line_start = line_end + 2;
        }
        if (const auto length = request.header("Content-Length")) body_length = std::stoul(*length);
        received.erase(0, head_end + 4);
        if (!receive_until([&] { return received.size() >= body_length; })) break;
        request.body = received.substr(0, body_length);
        received.erase(0, body_length);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }

        const ScriptedReply reply = next_reply();
        if (reply.delay_ms > 0 && !wait_or_stop(reply.delay_ms)) break;
        if (reply.answer == ScriptedReply::Answer::close_unanswered) break;
        if (reply.answer == ScriptedReply::Answer::reset_unanswered) {
            reset_and_close(s);
            return;
        }
        if (reply.answer == ScriptedReply::Answer::never) {
            wait_or_stop(-1);
            break;
        }

        std::string response = reply.status_line + "\r\n";
        for (const std::string& header : reply.headers) response.append(expand(header)).append("\r\n");
        if (reply.content_length) {
            response.append("Content-Length: " + std::to_string(reply.declared_length.value_or(reply.body.size())) + "\r\n");
        }
        response.append("\r\n");
        response.append(reply.body.substr(0, reply.body_cut.value_or(reply.body.size())));
        if (!send_all(s, response)) break;

        if (reply.ending == ScriptedReply::Ending::reset) {
            wait_or_stop(300);
            reset_and_close(s);
            return;
        }
        const bool delimited = reply.content_length && !reply.body_cut && !reply.declared_length;
        if (reply.ending == ScriptedReply::Ending::close || !delimited) break;
    }
    close_socket(s);
}

ClosedPort closed_loopback_port() {
    ClosedPort closed;
    const Socket s = bind_loopback(closed.host, closed.port);
    close_socket(s);
    return closed;
}

}  // namespace mervolt
