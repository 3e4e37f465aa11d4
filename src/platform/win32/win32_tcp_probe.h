#pragma once
#include "support/faces/tcp_probe.h"

namespace mervolt {

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

}  // namespace mervolt
