#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mervolt {

// Whole-file access and where the program lives. Paths are local-code-page texts in Windows
// form (backslash separators); the Linux implementation maps them to its own form.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // True when a file or a directory exists at the path.
    virtual bool exists(std::string_view path) = 0;
    virtual std::optional<std::uint64_t> file_size(std::string_view path) = 0;
    virtual std::optional<std::string> read_all(std::string_view path) = 0;
    // Creates or replaces the file with exactly these bytes.
    virtual bool write_all(std::string_view path, std::string_view bytes) = 0;
    // The directory that holds the running executable, without a trailing separator.
    virtual std::string program_directory() = 0;
    // The executable's file name with its extension, no directory.
    virtual std::string executable_name() = 0;
};

}  // namespace mervolt
