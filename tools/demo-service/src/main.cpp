// mervolt-demo-service: the service side of Mervolt for the demo and the end-to-end tests.
#include "deployment_files.h"
#include "http_service.h"
#include "line_servers.h"
#include "options.h"
#include "request_log.h"
#include "seed.h"
#include "store.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <pthread.h>

namespace {

int serve(const demo::Options& options, const sigset_t& stop_signals) {
    demo::Store store(options.db, [&] { return demo::read_seed_file(options.seed); });
    store.assign_line_addresses(options.line_net);
    std::vector<std::string> line_addresses;
    for (const demo::LineRecord& line : store.lines()) line_addresses.push_back(line.address);

    demo::RequestLog log(options.request_log);
    demo::LineServers lines([&store](std::string_view user, std::string_view password) {
        return store.check_password(user, password).has_value();
    });
    int probe_port = lines.open_probe(options.listen, options.probe_port);
    lines.open_lines(line_addresses);
    demo::HttpService http(store, lines, log);
    int http_port = http.bind(options.listen, options.http_port);

    lines.start();
    std::atomic<bool> http_failed{false};
    http.start([&http_failed] {
        http_failed = true;
        kill(getpid(), SIGTERM);
    });

    if (!options.service_ini.empty())
        demo::write_file_atomically(options.service_ini, demo::service_ini_text(options.listen, http_port, probe_port,
                                                                                 options.dial_domain));
    if (!options.sim_ras_ini.empty())
        demo::write_file_atomically(options.sim_ras_ini, demo::sim_ras_ini_text(line_addresses, options.dial_domain));
    if (!options.ready_file.empty())
        demo::write_file_atomically(options.ready_file, demo::ready_file_text(http_port, probe_port));
    std::fprintf(stderr, "mervolt-demo-service: http://%s:%d/nas.php, probe port %d, %zu lines on %s.2 and up\n",
                 options.listen.c_str(), http_port, probe_port, line_addresses.size(), options.line_net.c_str());

    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    http.stop();
    lines.stop();
    if (http_failed) {
        std::fprintf(stderr, "mervolt-demo-service: the HTTP server stopped serving\n");
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread inherits the mask and only sigwait sees them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);  // a peer that hangs up mid-reply is not a reason to die

    demo::Options options;
    try {
        options = demo::parse_options(std::vector<std::string>(argv + 1, argv + argc), DEMO_DEFAULT_SEED);
    } catch (const demo::UsageError& e) {
        std::fprintf(stderr, "mervolt-demo-service: %s\n%s", e.what(), demo::usage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(demo::usage().c_str(), stdout);
        return 0;
    }
    try {
        return serve(options, stop_signals);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mervolt-demo-service: %s\n", e.what());
        return 1;
    }
}
