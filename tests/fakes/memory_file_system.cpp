#include "fakes/memory_file_system.h"

namespace mervolt {

bool MemoryFileSystem::exists(std::string_view path) {
    return files.find(path) != files.end() || directories.find(path) != directories.end();
}

std::optional<std::uint64_t> MemoryFileSystem::file_size(std::string_view path) {
    const auto file = files.find(path);
    if (file == files.end()) return std::nullopt;
    return file->second.size();
}

std::optional<std::string> MemoryFileSystem::read_all(std::string_view path) {
    const auto file = files.find(path);
    if (file == files.end()) return std::nullopt;
    return file->second;
}

bool MemoryFileSystem::write_all(std::string_view path, std::string_view bytes) {
    if (read_only || directories.find(path) != directories.end()) return false;
    files.insert_or_assign(std::string(path), std::string(bytes));
    return true;
}

}  // namespace mervolt
