#pragma once
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/faces/file_system.h"
#include "support/faces/profile_file.h"

namespace mervolt {

// One table of config.ini behaviours, run against every ProfileFile the client can meet: the
// Windows private-profile functions (under Wine), the Linux emulation and the in-memory one.
struct ConfigStoreCase {
    const char* name;
    std::optional<std::string> initial;  // config.ini before the case; nullopt: no such file
    std::vector<std::pair<std::string, std::string>> writes;
    std::string key;
    std::string default_value;
    std::string expected;
    bool exists_after;
    std::vector<std::string> kept;  // texts that config.ini still holds afterwards
    std::vector<std::string> gone;  // texts that it no longer holds
    bool config_is_directory = false;
};

inline std::ostream& operator<<(std::ostream& out, const ConfigStoreCase& c) { return out << c.name; }

const std::vector<ConfigStoreCase>& config_store_cases();

// files.program_directory() must be an empty directory; make_directory creates one at a path
// of the same form as config_path().
void check_config_store_case(const ConfigStoreCase& c, ProfileFile& profile, FileSystem& files,
                             const std::function<void(const std::string&)>& make_directory);

}  // namespace mervolt
