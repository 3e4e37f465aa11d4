#include "support/scratch_program_directory.h"

#include <algorithm>
#include <filesystem>
#include <random>

namespace mervolt {
namespace {

// Paths in the client's form use backslashes; on Linux the file system wants slashes.
std::filesystem::path platform_path(std::string path) {
#ifndef _WIN32
    std::replace(path.begin(), path.end(), '\\', '/');
#endif
    return std::filesystem::path(path);
}

}  // namespace

ScratchProgramDirectory::ScratchProgramDirectory(FileSystem& real) : real_(real) {
    std::random_device entropy;
    for (;;) {
        const auto candidate = std::filesystem::temp_directory_path() / ("mervolt-test-" + std::to_string(entropy()));
        if (std::filesystem::create_directory(candidate)) {
            directory_ = candidate.string();
            return;
        }
    }
}

ScratchProgramDirectory::~ScratchProgramDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(platform_path(directory_), ignored);
}

void ScratchProgramDirectory::make_directory(const std::string& path) { std::filesystem::create_directory(platform_path(path)); }

}  // namespace mervolt
