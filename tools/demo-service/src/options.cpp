#include "options.h"

#include <arpa/inet.h>
#include <charconv>
#include <string_view>

namespace demo {
namespace {

int parse_port(const std::string& name, const std::string& text) {
    int port = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || port < 0 || port > 65535)
        throw UsageError(name + " needs a port number 0-65535, not \"" + text + "\"");
    return port;
}

// "127.A.B": three numbers 0-255, the first three parts of the lines' addresses.
void check_line_net(const std::string& text) {
    in_addr parsed{};
    if (inet_pton(AF_INET, (text + ".1").c_str(), &parsed) != 1)
        throw UsageError("--line-net needs three numbers like 127.0.0, not \"" + text + "\"");
}

}  // namespace

std::string usage() {
    return "usage: mervolt-demo-service [options]\n"
           "  --listen ADDR       address of the HTTP server and the probe listener (127.0.0.1)\n"
           "  --http-port N       HTTP port (8080; 0 picks a free one)\n"
           "  --probe-port N      probe listener port (81; 0 picks a free one)\n"
           "  --line-net 127.A.B  line servers at 127.A.B.2, .3, ... in seed order (127.0.0)\n"
           "  --seed FILE         seed file the database is created from\n"
           "  --db FILE           SQLite database, created from the seed when missing\n"
           "                      (default: a temporary one, gone at exit)\n"
           "  --dial-domain D     SSTP dial domain (vpn.mervolt.test)\n"
           "  --service-ini FILE  write the client's service.ini once listening\n"
           "  --sim-ras-ini FILE  write sim-ras.ini ([hosts] of the dial domain) once listening\n"
           "  --ready-file FILE   written last: http_port=N and probe_port=N\n"
           "  --request-log FILE  append \"<METHOD> <target>\" per request\n"
           "  --help              this text\n"
           "Runs until SIGTERM or SIGINT.\n";
}

Options parse_options(const std::vector<std::string>& args, const std::string& default_seed) {
    Options options;
    options.seed = default_seed;
    const std::pair<std::string_view, std::string Options::*> texts[] = {
        {"--listen", &Options::listen},           {"--seed", &Options::seed},
        {"--db", &Options::db},                   {"--dial-domain", &Options::dial_domain},
        {"--service-ini", &Options::service_ini}, {"--sim-ras-ini", &Options::sim_ras_ini},
        {"--ready-file", &Options::ready_file},   {"--request-log", &Options::request_log},
        {"--line-net", &Options::line_net},
    };
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        std::string value;
        size_t eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw UsageError(name.rfind("--", 0) == 0 ? name + " needs a value" : "unknown argument " + name);
        }
        bool known = false;
        for (const auto& [option, field] : texts) {
            if (name != option) continue;
            options.*field = value;
            known = true;
        }
        if (name == "--http-port") options.http_port = parse_port(name, value);
        else if (name == "--probe-port") options.probe_port = parse_port(name, value);
        else if (!known) throw UsageError("unknown option " + name);
    }
    in_addr listen{};
    if (inet_pton(AF_INET, options.listen.c_str(), &listen) != 1)
        throw UsageError("--listen needs an IPv4 address, not \"" + options.listen + "\"");
    check_line_net(options.line_net);
    if (options.dial_domain.empty()) throw UsageError("--dial-domain must not be empty");
    return options;
}

}  // namespace demo
