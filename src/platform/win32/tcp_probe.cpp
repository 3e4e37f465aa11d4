#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

#include "platform/platform_faces.h"

namespace mervolt {

namespace {

class Socket {
public:
    explicit Socket(SOCKET handle) : handle_(handle) {}
    ~Socket() {
        if (handle_ != INVALID_SOCKET) closesocket(handle_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET get() const { return handle_; }

private:
    SOCKET handle_;
};

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() {
        if (first) freeaddrinfo(first);
    }
};

bool connect_within(const addrinfo& address, int timeout_ms) {
    Socket socket(::socket(address.ai_family, address.ai_socktype, address.ai_protocol));
    if (socket.get() == INVALID_SOCKET) return false;
    u_long non_blocking = 1;
    if (ioctlsocket(socket.get(), FIONBIO, &non_blocking) != 0) return false;
    if (::connect(socket.get(), address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) return true;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket.get(), &writable);
    FD_SET(socket.get(), &failed);
    timeval wait{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    if (select(0, nullptr, &writable, &failed, &wait) <= 0 || !FD_ISSET(socket.get(), &writable)) return false;
    int error = 0;
    int length = sizeof error;
    return getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
}

// A non-blocking Winsock connect that waits for the outcome with select() up to the time-out.
class Win32TcpProbe final : public TcpProbe {
public:
    Win32TcpProbe();
    ~Win32TcpProbe() override;
    Win32TcpProbe(const Win32TcpProbe&) = delete;
    Win32TcpProbe& operator=(const Win32TcpProbe&) = delete;

    bool connect(std::string_view host, std::uint16_t port, int timeout_ms) override;

private:
    bool started_ = false;
};

Win32TcpProbe::Win32TcpProbe() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

Win32TcpProbe::~Win32TcpProbe() {
    if (started_) WSACleanup();
}

bool Win32TcpProbe::connect(std::string_view host, std::uint16_t port, int timeout_ms) {
    if (!started_ || host.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    AddressList addresses;
    if (getaddrinfo(std::string(host).c_str(), std::to_string(port).c_str(), &hints, &addresses.first) != 0) return false;
    for (const addrinfo* address = addresses.first; address; address = address->ai_next)
        if (connect_within(*address, timeout_ms < 0 ? 0 : timeout_ms)) return true;
    return false;
}

}  // namespace

TcpProbe& platform_tcp_probe() {
    static Win32TcpProbe probe;
    return probe;
}

}  // namespace mervolt
