#include "support/loopback_listener.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <random>

namespace mervolt {

namespace {

#ifdef _WIN32
using Native = SOCKET;
constexpr Native no_socket = INVALID_SOCKET;
void close_native(Native s) { closesocket(s); }
void set_non_blocking(Native s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}
struct WinsockUser {
    WinsockUser() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUser() { WSACleanup(); }
};
#else
using Native = int;
constexpr Native no_socket = -1;
void close_native(Native s) { ::close(s); }
void set_non_blocking(Native s) { ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL) | O_NONBLOCK); }
#endif

std::string random_loopback_host() {
    std::random_device seed;
    std::uniform_int_distribution<int> part(1, 254);
    return "127." + std::to_string(part(seed)) + "." + std::to_string(part(seed)) + "." + std::to_string(part(seed));
}

sockaddr_in address_of(const std::string& host, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    return address;
}

}  // namespace

LoopbackListener::LoopbackListener(Mode mode) : host_(random_loopback_host()) {
#ifdef _WIN32
    static WinsockUser winsock;
#endif
    const Native listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == no_socket) return;
    socket_ = static_cast<std::intptr_t>(listener);
    sockaddr_in address = address_of(host_, 0);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
    socklen_t length = sizeof address;
    if (::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) return;
    port_ = ntohs(address.sin_port);
    if (mode == Mode::refusing) {
        ready_ = true;
        return;
    }
    if (::listen(listener, mode == Mode::saturated ? 0 : 8) != 0) return;
    if (mode == Mode::saturated) {
        // A queue of length 0 holds one finished handshake; the connections beyond it stay
        // pending, and the kernel drops every further request.
        const sockaddr_in target = address_of(host_, port_);
        for (std::intptr_t& queued : queued_) {
            const Native client = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            queued = static_cast<std::intptr_t>(client);
            set_non_blocking(client);
            ::connect(client, reinterpret_cast<const sockaddr*>(&target), sizeof target);
        }
    }
    ready_ = true;
}

LoopbackListener::~LoopbackListener() {
    for (std::intptr_t queued : queued_)
        if (queued != -1) close_native(static_cast<Native>(queued));
    if (socket_ != -1) close_native(static_cast<Native>(socket_));
}

}  // namespace mervolt
