// config.ini and the phonebook's strategy key through the system's private-profile functions.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform_faces.h"

namespace mervolt {
namespace {

class Win32ProfileFile final : public ProfileFile {
public:
    std::string read(std::string_view path, std::string_view section, std::string_view key,
                     std::string_view default_value, std::size_t buffer_size) override {
        if (buffer_size == 0) return {};
        std::vector<char> buffer(buffer_size, '\0');
        const DWORD length = GetPrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                                      std::string(default_value).c_str(), buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), std::string(path).c_str());
        // A value cut inside a double-byte character comes back with a zero byte in place of
        // the half character; the text ends before it.
        return std::string(buffer.data(), strnlen(buffer.data(), length));
    }

    bool write(std::string_view path, std::string_view section, std::string_view key,
               std::string_view value) override {
        return WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                          std::string(value).c_str(), std::string(path).c_str()) != FALSE;
    }
};

}  // namespace

ProfileFile& platform_profile_file() {
    static Win32ProfileFile profile;
    return profile;
}

}  // namespace mervolt
