#pragma once
#include <string>

#include "support/faces/file_system.h"

namespace mervolt {

// The platform's real file access, with the program directory moved to a fresh empty directory
// under the system's temporary directory, removed again with everything in it at the end.
class ScratchProgramDirectory final : public FileSystem {
public:
    explicit ScratchProgramDirectory(FileSystem& real);
    ~ScratchProgramDirectory() override;
    ScratchProgramDirectory(const ScratchProgramDirectory&) = delete;
    ScratchProgramDirectory& operator=(const ScratchProgramDirectory&) = delete;

    // Creates a directory at a path in the client's form (backslash separators).
    void make_directory(const std::string& path);

    bool exists(std::string_view path) override { return real_.exists(path); }
    std::optional<std::uint64_t> file_size(std::string_view path) override { return real_.file_size(path); }
    std::optional<std::string> read_all(std::string_view path) override { return real_.read_all(path); }
    bool write_all(std::string_view path, std::string_view bytes) override { return real_.write_all(path, bytes); }
    std::string program_directory() override { return directory_; }
    std::string executable_name() override { return real_.executable_name(); }

private:
    FileSystem& real_;
    std::string directory_;
};

}  // namespace mervolt
