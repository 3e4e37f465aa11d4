#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/platform_faces.h"

namespace mervolt {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() {
        if (first) freeaddrinfo(first);
    }
};

bool connect_within(const addrinfo& address, int timeout_ms) {
    Descriptor socket(::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol));
    if (socket.get() < 0) return false;
    if (::connect(socket.get(), address.ai_addr, address.ai_addrlen) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd waiting{socket.get(), POLLOUT, 0};
    int ready;
    do ready = ::poll(&waiting, 1, timeout_ms);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0) return false;
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

// A non-blocking connect that waits for the outcome with poll() up to the time-out.
class PosixTcpProbe final : public TcpProbe {
public:
    bool connect(std::string_view host, std::uint16_t port, int timeout_ms) override;
};

bool PosixTcpProbe::connect(std::string_view host, std::uint16_t port, int timeout_ms) {
    if (host.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    AddressList addresses;
    if (::getaddrinfo(std::string(host).c_str(), std::to_string(port).c_str(), &hints, &addresses.first) != 0)
        return false;
    for (const addrinfo* address = addresses.first; address; address = address->ai_next)
        if (connect_within(*address, timeout_ms < 0 ? 0 : timeout_ms)) return true;
    return false;
}

}  // namespace

TcpProbe& platform_tcp_probe() {
    static PosixTcpProbe probe;
    return probe;
}

}  // namespace mervolt
