#include "support/loopback_socket.h"

#ifndef _WIN32
#include <fcntl.h>
#endif

#include <random>

namespace mervolt {

#ifdef _WIN32
void start_sockets() {
    struct WinsockUser {
        WinsockUser() {
            WSADATA data;
            WSAStartup(MAKEWORD(2, 2), &data);
        }
        ~WinsockUser() { WSACleanup(); }
    };
    static WinsockUser winsock;
}
void close_socket(NativeSocket s) { closesocket(s); }
void set_non_blocking(NativeSocket s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}
#else
void start_sockets() {}
void close_socket(NativeSocket s) { ::close(s); }
void set_non_blocking(NativeSocket s) { ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL) | O_NONBLOCK); }
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

}  // namespace mervolt
