#pragma once
#include <string>
#include <string_view>

#include "support/faces/file_system.h"
#include "support/faces/profile_file.h"

namespace mervolt {

// config.ini in the program directory, section "config". Nothing is cached: every read sees the
// file as it is now and every write reaches it at once. Defaults belong to each reader.
class ConfigStore {
public:
    ConfigStore(ProfileFile& profile, FileSystem& files);

    std::string config_path() const;
    bool config_exists() const;
    // The key's value (at most 10,239 bytes), or the default when file, section or key is missing.
    std::string read_setting(std::string_view key, std::string_view default_value) const;
    // A failed write is silent.
    void write_setting(std::string_view key, std::string_view value) const;

private:
    ProfileFile& profile_;
    FileSystem& files_;
};

}  // namespace mervolt
