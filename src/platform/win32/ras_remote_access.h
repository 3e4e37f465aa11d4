#pragma once
#include "support/faces/remote_access.h"

namespace mervolt {

// RAS through rasapi32.dll (the system's, or sim-ras beside the exe under Wine).
class RasRemoteAccess final : public RemoteAccess {
public:
    DialResult dial(const DialRequest& request, Progress progress) override;
    std::uint32_t hang_up(Handle handle) override;
    Enumeration enumerate() override;
    std::optional<std::string> error_text(std::uint32_t code) override;
};

}  // namespace mervolt
