#include "app/config_store.h"

#include <string>

namespace mervolt {
namespace {

constexpr std::string_view config_section = "config";
// The read buffer holds 10,240 bytes including the terminator, so a value comes back cut to
// at most 10,239 bytes.
constexpr std::size_t read_buffer_size = 10'240;

}  // namespace

ConfigStore::ConfigStore(ProfileFile& profile, FileSystem& files) : profile_(profile), files_(files) {}

std::string ConfigStore::config_path() const { return files_.program_directory() + "\\config.ini"; }

bool ConfigStore::config_exists() const { return files_.exists(config_path()); }

std::string ConfigStore::read_setting(std::string_view key, std::string_view default_value) const {
    return profile_.read(config_path(), config_section, key, default_value, read_buffer_size);
}

void ConfigStore::write_setting(std::string_view key, std::string_view value) const {
    profile_.write(config_path(), config_section, key, value);
}

}  // namespace mervolt
