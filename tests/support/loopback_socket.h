#pragma once
// Plain TCP sockets for test servers and listeners on loopback addresses: BSD sockets natively,
// Winsock inside the Wine test exe.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <string>

namespace mervolt {

#ifdef _WIN32
using NativeSocket = SOCKET;
inline constexpr NativeSocket no_socket = INVALID_SOCKET;
#else
using NativeSocket = int;
inline constexpr NativeSocket no_socket = -1;
#endif

// Starts Winsock once per process (nothing to do natively); call before the first socket.
void start_sockets();
void close_socket(NativeSocket s);
void set_non_blocking(NativeSocket s);

// A random address of 127.0.0.0/8, each of the last three parts in 1..254, so that test runs
// sharing the machine do not meet.
std::string random_loopback_host();
sockaddr_in address_of(const std::string& host, std::uint16_t port);

}  // namespace mervolt
