#pragma once
#include <cstdint>
#include <string_view>

namespace mervolt {

// The TCP client component: a connection attempt that reports only whether it was established.
// No data is sent or read; the connection is closed at once. The attempt gives up after
// timeout_ms, so a black-holed host cannot freeze its caller for long.
class TcpProbe {
public:
    virtual ~TcpProbe() = default;
    virtual bool connect(std::string_view host, std::uint16_t port, int timeout_ms) = 0;
};

}  // namespace mervolt
