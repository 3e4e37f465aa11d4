#pragma once
#include <algorithm>
#include <string>
#include <string_view>

namespace mervolt {

// The client builds Windows paths (program directory, a backslash, a file name); here the
// backslashes become slashes. Names are used byte for byte.
inline std::string native_path(std::string_view windows_path) {
    std::string path(windows_path);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

}  // namespace mervolt
