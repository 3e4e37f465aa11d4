#pragma once
#include <cstdint>
#include <string>

namespace mervolt {

// What belongs to the deployment rather than to the user: from service.ini in the program
// directory (section "service"), each missing key taking its build-time default.
struct DeploymentSettings {
    std::string service_base;   // absolute web address, no trailing slash
    std::string probe_host;     // probed before sign-in; default: the host of service_base
    std::uint16_t probe_port = 81;
    std::string dial_domain;    // SSTP calls go to <first label>.<dial_domain>:6665
    std::string ip_lookup;      // public IP-lookup page
};

}  // namespace mervolt
