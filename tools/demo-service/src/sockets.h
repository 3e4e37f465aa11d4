#pragma once
#include <optional>
#include <string>
#include <utility>

namespace demo {

// Owns one file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset();

private:
    int fd_ = -1;
};

// A non-blocking TCP listener on an IPv4 address; port 0 picks a free one. Throws
// std::runtime_error naming the address and the reason.
UniqueFd listen_tcp(const std::string& address, int port);

// The port a socket is bound to.
int bound_port(int fd);

struct Endpoint {
    std::string address;
    int port = 0;
};

// Shuts down (both directions) the accepted TCP connections of this process whose local end is
// local (address 0.0.0.0: any local address) and, when given, whose remote end is peer. A library that hides its sockets can then be
// made to drop a connection, or to let go of its idle ones. Returns how many were shut down.
int shut_down_connections(const Endpoint& local, const std::optional<Endpoint>& peer);

}  // namespace demo
