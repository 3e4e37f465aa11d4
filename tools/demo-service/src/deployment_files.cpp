#include "deployment_files.h"

#include <cstdio>
#include <fstream>
#include <set>
#include <stdexcept>
#include <unistd.h>

namespace demo {

// The two ini files are read by Windows programs (the profile functions): CR LF line ends.
std::string service_ini_text(const std::string& address, int http_port, int probe_port,
                             const std::string& dial_domain) {
    std::string base = "http://" + address + ":" + std::to_string(http_port);
    return "[service]\r\n"
           "base=" + base + "\r\n"
           "probe_host=" + address + "\r\n"
           "probe_port=" + std::to_string(probe_port) + "\r\n"
           "dial_domain=" + dial_domain + "\r\n"
           "ip_lookup=" + base + "/ip\r\n";
}

std::string sim_ras_ini_text(const std::vector<std::string>& line_addresses, const std::string& dial_domain) {
    std::string text = "[hosts]\r\n";
    std::set<std::string> names;
    for (const std::string& address : line_addresses) {
        std::string name = address.substr(0, address.find('.')) + "." + dial_domain;
        if (names.insert(name).second) text += name + "=" + address + "\r\n";
    }
    return text;
}

std::string ready_file_text(int http_port, int probe_port) {
    return "http_port=" + std::to_string(http_port) + "\nprobe_port=" + std::to_string(probe_port) + "\n";
}

void write_file_atomically(const std::string& path, const std::string& text) {
    std::string temporary = path + ".tmp" + std::to_string(getpid());
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (!file) {
            std::remove(temporary.c_str());
            throw std::runtime_error("cannot write " + path);
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace demo
