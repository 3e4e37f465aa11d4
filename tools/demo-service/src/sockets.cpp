#include "sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace demo {
namespace {

std::optional<Endpoint> endpoint_of(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN];
    if (!inet_ntop(AF_INET, &address.sin_addr, text, sizeof text)) return std::nullopt;
    return Endpoint{text, ntohs(address.sin_port)};
}

bool same(const Endpoint& a, const Endpoint& b) { return a.address == b.address && a.port == b.port; }

// A listener on 0.0.0.0 accepts connections on every local address.
bool is_local_end(const Endpoint& end, const Endpoint& listener) {
    return end.port == listener.port && (listener.address == "0.0.0.0" || end.address == listener.address);
}

}  // namespace

void UniqueFd::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

UniqueFd listen_tcp(const std::string& address, int port) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<uint16_t>(port));
    std::string name = address + ":" + std::to_string(port);
    if (inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1)
        throw std::runtime_error(address + " is not an IPv4 address");
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) throw std::runtime_error("cannot make a socket for " + name + ": " + std::strerror(errno));
    // A line that goes down and up again must get its ports back while old links linger.
    int on = 1;
    setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || ::listen(fd.get(), 64) != 0)
        throw std::runtime_error("cannot listen on " + name + ": " + std::strerror(errno));
    return fd;
}

int bound_port(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) return -1;
    return ntohs(address.sin_port);
}

int shut_down_connections(const Endpoint& local, const std::optional<Endpoint>& peer) {
    DIR* fds = opendir("/proc/self/fd");
    if (!fds) return 0;
    int count = 0;
    while (dirent* entry = readdir(fds)) {
        char* end = nullptr;
        long fd = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || end == entry->d_name || fd == dirfd(fds)) continue;
        struct stat info{};
        if (fstat(static_cast<int>(fd), &info) != 0 || !S_ISSOCK(info.st_mode)) continue;
        sockaddr_in mine{}, theirs{};
        socklen_t mine_size = sizeof mine, theirs_size = sizeof theirs;
        if (getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&mine), &mine_size) != 0 ||
            mine.sin_family != AF_INET ||
            getpeername(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&theirs), &theirs_size) != 0)
            continue;  // not IPv4, or a listener
        auto here = endpoint_of(mine);
        auto there = endpoint_of(theirs);
        if (!here || !there || !is_local_end(*here, local) || (peer && !same(*there, *peer))) continue;
        if (::shutdown(static_cast<int>(fd), SHUT_RDWR) == 0) ++count;
    }
    closedir(fds);
    return count;
}

}  // namespace demo
