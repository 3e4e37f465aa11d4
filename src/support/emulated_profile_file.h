#pragma once
#include "support/faces/file_system.h"
#include "support/faces/profile_file.h"

namespace mervolt {

// The private-profile functions emulated over whole-file access, for platforms without them
// (Linux) and for in-memory tests: section and key names match without regard to ASCII case,
// the first match wins, blanks around names and values are dropped and then a matching pair of
// quotation marks around the value, a value is cut to buffer_size - 1 bytes (back to a whole
// character of code page 936), reading never creates the file, and writing replaces the key's line in
// place (or adds it at the end of its section, or a new section at the end of the file),
// keeping every other line as it was.
class EmulatedProfileFile final : public ProfileFile {
public:
    explicit EmulatedProfileFile(FileSystem& files) : files_(files) {}

    std::string read(std::string_view path, std::string_view section, std::string_view key,
                     std::string_view default_value, std::size_t buffer_size) override;
    bool write(std::string_view path, std::string_view section, std::string_view key,
               std::string_view value) override;

private:
    FileSystem& files_;
};

}  // namespace mervolt
