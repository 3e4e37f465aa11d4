#pragma once
#include <cstdint>
#include <string>

namespace mervolt {

// A TCP socket on a random loopback address 127.x.y.z (x, y, z in 1..254) and a port the system
// picks, so that parallel test runs never meet. Natively BSD sockets, under Wine Winsock.
class LoopbackListener {
public:
    enum class Mode {
        accepting,  // listens; connections complete
        refusing,   // bound but not listening: connections are refused at once
        saturated,  // listens with its queue filled, so further connection requests go unanswered
    };
    explicit LoopbackListener(Mode mode);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    const std::string& host() const { return host_; }
    std::uint16_t port() const { return port_; }
    bool ready() const { return ready_; }

private:
    std::string host_;
    std::uint16_t port_ = 0;
    bool ready_ = false;
    std::intptr_t socket_ = -1;
    std::intptr_t queued_[4] = {-1, -1, -1, -1};
};

}  // namespace mervolt
