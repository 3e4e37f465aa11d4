#pragma once
#include <cstdint>
#include <string>

#include "support/faces/file_system.h"
#include "support/faces/profile_file.h"

namespace mervolt {

// What belongs to the deployment rather than to the user: from service.ini in the program
// directory (section "service"), each missing key taking its build-time default.
struct DeploymentSettings {
    std::string service_base;   // absolute web address, no trailing slash
    std::string probe_host;     // probed before sign-in; empty: the host of service_base
    std::uint16_t probe_port = 81;
    std::string dial_domain;    // SSTP calls go to <first label>.<dial_domain>:6665
    std::string ip_lookup;      // public IP-lookup page
};

// Reads service.ini afresh; the client never writes it. A port that is not a number from 1 to
// 65535 counts as missing.
DeploymentSettings load_deployment_settings(ProfileFile& profile, FileSystem& files);

}  // namespace mervolt
