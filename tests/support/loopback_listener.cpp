#include "support/loopback_listener.h"

#include "support/loopback_socket.h"

namespace mervolt {

LoopbackListener::LoopbackListener(Mode mode) : host_(random_loopback_host()) {
    start_sockets();
    const NativeSocket listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
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
            const NativeSocket client = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            queued = static_cast<std::intptr_t>(client);
            set_non_blocking(client);
            ::connect(client, reinterpret_cast<const sockaddr*>(&target), sizeof target);
        }
    }
    ready_ = true;
}

LoopbackListener::~LoopbackListener() {
    for (std::intptr_t queued : queued_)
        if (queued != -1) close_socket(static_cast<NativeSocket>(queued));
    if (socket_ != -1) close_socket(static_cast<NativeSocket>(socket_));
}

}  // namespace mervolt
