#include "request_log.h"

#include <stdexcept>

namespace demo {

RequestLog::RequestLog(const std::string& path) {
    if (path.empty()) return;
    file_.open(path, std::ios::binary | std::ios::app);
    if (!file_) throw std::runtime_error("cannot open the request log " + path);
}

void RequestLog::record(std::string_view method, std::string_view target) {
    std::string line;
    line.append(method).append(" ").append(target).append("\n");
    std::lock_guard lock(mutex_);
    lines_ += line;
    if (file_.is_open()) file_ << line << std::flush;
}

std::string RequestLog::text() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

void RequestLog::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

}  // namespace demo
