#include "app/deployment_settings.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "app/build_defaults.h"

namespace mervolt {

namespace {

constexpr std::string_view section = "service";
constexpr std::size_t value_capacity = 2048;

std::optional<std::uint16_t> port_number(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

DeploymentSettings load_deployment_settings(ProfileFile& profile, FileSystem& files) {
    const std::string path = files.program_directory() + "\\service.ini";
    const auto read = [&](std::string_view key, std::string_view fallback) {
        return profile.read(path, section, key, fallback, value_capacity);
    };
    DeploymentSettings settings;
    settings.service_base = read("base", build_defaults::service_base);
    // Request paths are appended to the base, so a slash at its end would double theirs.
    while (!settings.service_base.empty() && settings.service_base.back() == '/') settings.service_base.pop_back();
    settings.probe_host = read("probe_host", build_defaults::probe_host);
    settings.probe_port = port_number(read("probe_port", build_defaults::probe_port))
                              .value_or(port_number(build_defaults::probe_port).value_or(81));
    settings.dial_domain = read("dial_domain", build_defaults::dial_domain);
    settings.ip_lookup = read("ip_lookup", build_defaults::ip_lookup);
    return settings;
}

}  // namespace mervolt
