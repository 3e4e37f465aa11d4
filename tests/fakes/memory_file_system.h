#pragma once
#include <map>
#include <set>
#include <string>

#include "support/faces/file_system.h"

namespace mervolt {

// Files and directories in memory, by exact path. With read_only set every write fails and
// changes nothing, as in a program directory the user may not write to.
class MemoryFileSystem final : public FileSystem {
public:
    std::map<std::string, std::string, std::less<>> files;
    std::set<std::string, std::less<>> directories;
    std::string directory = "C:\\Program Files\\Mervolt";
    std::string name = "mervolt.exe";
    bool read_only = false;

    bool exists(std::string_view path) override;
    std::optional<std::uint64_t> file_size(std::string_view path) override;
    std::optional<std::string> read_all(std::string_view path) override;
    bool write_all(std::string_view path, std::string_view bytes) override;
    std::string program_directory() override { return directory; }
    std::string executable_name() override { return name; }
};

}  // namespace mervolt
