#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/platform_faces.h"
#include "platform/posix/native_path.h"

namespace mervolt {
namespace {

std::string executable_path() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    path.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return path;
}

class PosixFileSystem final : public FileSystem {
public:
    bool exists(std::string_view path) override {
        struct stat info {};
        return stat(native_path(path).c_str(), &info) == 0;
    }

    std::optional<std::uint64_t> file_size(std::string_view path) override {
        struct stat info {};
        if (stat(native_path(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
        return static_cast<std::uint64_t>(info.st_size);
    }

    std::optional<std::string> read_all(std::string_view path) override {
        std::ifstream file(native_path(path), std::ios::binary);
        if (!file) return std::nullopt;
        std::ostringstream bytes;
        bytes << file.rdbuf();
        if (file.bad()) return std::nullopt;
        return std::move(bytes).str();
    }

    bool write_all(std::string_view path, std::string_view bytes) override {
        std::ofstream file(native_path(path), std::ios::binary | std::ios::trunc);
        if (!file) return false;
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        return !file.fail();
    }

    std::string program_directory() override {
        const std::string path = executable_path();
        return path.substr(0, path.rfind('/') == std::string::npos ? 0 : path.rfind('/'));
    }

    std::string executable_name() override {
        const std::string path = executable_path();
        return path.substr(path.rfind('/') + 1);
    }
};

}  // namespace

FileSystem& platform_file_system() {
    static PosixFileSystem files;
    return files;
}

}  // namespace mervolt
