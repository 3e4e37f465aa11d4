#include "stand_in_log.h"

#include <windows.h>

namespace standin {

std::string_view arguments_of(std::string_view command_line) {
    std::string_view rest = command_line;
    if (!rest.empty() && rest.front() == '"') {
        const auto closing = rest.find('"', 1);
        rest.remove_prefix(closing == std::string_view::npos ? rest.size() : closing + 1);
    } else {
        const auto end = rest.find_first_of(" \t");
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    }
    const auto first = rest.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view{} : rest.substr(first);
}

std::string environment_or(const char* name, const char* fallback) {
    char value[1024];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return fallback;
    return std::string(value, length);
}

void log_invocation(std::string_view program, std::string_view arguments) {
    const std::string path = environment_or("MERVOLT_STANDIN_LOG", "C:\\stand-ins.log");
    HANDLE log = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return;
    // One write per line, so stand-ins running at the same time never interleave within a line.
    const std::string line = std::string(program) + " " + std::string(arguments) + "\r\n";
    DWORD written = 0;
    WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
}

void write_output(std::string_view bytes) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace standin
