#pragma once
#include "support/faces/tcp_probe.h"

namespace mervolt {

// A non-blocking BSD-socket connect that waits for the outcome with poll() up to the time-out.
class PosixTcpProbe final : public TcpProbe {
public:
    bool connect(std::string_view host, std::uint16_t port, int timeout_ms) override;
};

}  // namespace mervolt
