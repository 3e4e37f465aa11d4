#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/faces/tcp_probe.h"

namespace mervolt {

// Connects exactly to the host:port pairs in reachable, and records every attempt.
class FakeTcpProbe final : public TcpProbe {
public:
    struct Attempt {
        std::string host;
        std::uint16_t port;
        int timeout_ms;
    };
    bool connect(std::string_view host, std::uint16_t port, int timeout_ms) override {
        attempts.push_back({std::string(host), port, timeout_ms});
        return reachable.count({std::string(host), port}) != 0;
    }
    std::set<std::pair<std::string, std::uint16_t>> reachable;
    std::vector<Attempt> attempts;
};

}  // namespace mervolt
