#include "sim_settings.h"

#include <windows.h>

#include "plain_text.h"

namespace simras {
namespace {

std::string settings_path() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&settings_path), &self);
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    std::string directory(path, length);
    directory.erase(directory.find_last_of("\\/") + 1);
    return directory + "sim-ras.ini";
}

std::string setting(const char* section, const std::string& key) {
    char value[4096];
    const DWORD length = GetPrivateProfileStringA(section, key.c_str(), "", value, sizeof value, settings_path().c_str());
    return std::string(value, length);
}

}  // namespace

std::optional<std::string> mapped_host(std::string_view name) {
    std::string address = setting("hosts", std::string(name));
    if (address.empty()) return std::nullopt;
    return address;
}

std::vector<std::string> foreign_connection_names() {
    const std::string list = setting("foreign", "names");
    std::vector<std::string> names;
    std::string_view rest = list;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        const std::string_view name = trimmed(rest.substr(0, comma));
        if (!name.empty()) names.emplace_back(name);
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
    }
    return names;
}

std::optional<std::string> read_whole_file(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr)) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return bytes;
}

}  // namespace simras
