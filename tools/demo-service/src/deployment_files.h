#pragma once
#include <string>
#include <vector>

namespace demo {

// The client's service.ini: where the service, the probe and the IP-lookup page are.
std::string service_ini_text(const std::string& address, int http_port, int probe_port,
                             const std::string& dial_domain);

// sim-ras.ini: the SSTP host names (a line address's first label under the dial domain) the
// simulated remote-access service cannot resolve; the first line wins for a repeated label.
std::string sim_ras_ini_text(const std::vector<std::string>& line_addresses, const std::string& dial_domain);

// The ready file: "http_port=N" and "probe_port=N".
std::string ready_file_text(int http_port, int probe_port);

// Writes beside the file and renames, so a reader never sees half of it. Throws std::runtime_error.
void write_file_atomically(const std::string& path, const std::string& text);

}  // namespace demo
