#pragma once
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

namespace demo {

// "<METHOD> <raw target>" per request: kept in memory for the admin interface (until a reset) and,
// when a file is named, appended to it as each request arrives.
class RequestLog {
public:
    // Empty path: memory only. Throws std::runtime_error when the file cannot be opened.
    explicit RequestLog(const std::string& path);
    void record(std::string_view method, std::string_view target);
    // Every line since the last clear, each ending in "\n".
    std::string text() const;
    // Empties the memory log; the file keeps what it has.
    void clear();

private:
    mutable std::mutex mutex_;
    std::string lines_;
    std::ofstream file_;
};

}  // namespace demo
