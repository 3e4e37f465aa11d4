#pragma once
#include <stdexcept>
#include <string>
#include <vector>

namespace demo {

struct Options {
    std::string listen = "127.0.0.1";
    int http_port = 8080;
    int probe_port = 81;
    std::string line_net = "127.0.0";
    std::string seed;
    std::string db;  // empty: a temporary database
    std::string dial_domain = "vpn.mervolt.test";
    std::string service_ini;
    std::string sim_ras_ini;
    std::string ready_file;
    std::string request_log;
    bool help = false;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "--name value" or "--name=value" for every option of usage(). Throws UsageError.
Options parse_options(const std::vector<std::string>& args, const std::string& default_seed);
std::string usage();

}  // namespace demo
