#include <windows.h>

#include <string>

#include "platform/platform_faces.h"
#include "platform/win32/scoped_handle.h"

namespace mervolt {
namespace {

// The executable's full path in the ANSI code page (936 on the client's machines).
std::string module_path() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // cut: the path is longer than the buffer
    }
}

class Win32FileSystem final : public FileSystem {
public:
    bool exists(std::string_view path) override {
        return GetFileAttributesA(std::string(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::optional<std::uint64_t> file_size(std::string_view path) override {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExA(std::string(path).c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return std::nullopt;
        return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }

    std::optional<std::string> read_all(std::string_view path) override {
        const ScopedHandle file(CreateFileA(std::string(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return std::nullopt;
        std::string bytes;
        char chunk[65536];
        DWORD got = 0;
        while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) {
            if (got == 0) return bytes;
            bytes.append(chunk, got);
        }
        return std::nullopt;
    }

    bool write_all(std::string_view path, std::string_view bytes) override {
        const ScopedHandle file(CreateFileA(std::string(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) return false;
        while (!bytes.empty()) {
            const DWORD chunk = bytes.size() > 65536 ? 65536 : static_cast<DWORD>(bytes.size());
            DWORD written = 0;
            if (!WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0) return false;
            bytes.remove_prefix(written);
        }
        return true;
    }

    std::string program_directory() override {
        const std::string path = module_path();
        const std::size_t slash = path.rfind('\\');
        return slash == std::string::npos ? std::string{} : path.substr(0, slash);
    }

    std::string executable_name() override {
        const std::string path = module_path();
        return path.substr(path.rfind('\\') + 1);
    }
};

}  // namespace

FileSystem& platform_file_system() {
    static Win32FileSystem files;
    return files;
}

}  // namespace mervolt
