#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace mervolt {

// The Windows private-profile functions (GetPrivateProfileStringA / WritePrivateProfileStringA)
// with the semantics the client relies on: a missing file, section or key gives the default;
// blanks around a value are dropped, then a matching pair of quotation marks; a value longer
// than buffer_size - 1 bytes comes back cut, never inside a double-byte character;
// reading never creates the file; writing creates file and section and keeps the other lines.
// Paths are local-code-page texts in Windows form (backslash separators).
class ProfileFile {
public:
    virtual ~ProfileFile() = default;
    virtual std::string read(std::string_view path, std::string_view section, std::string_view key,
                             std::string_view default_value, std::size_t buffer_size) = 0;
    virtual bool write(std::string_view path, std::string_view section, std::string_view key,
                       std::string_view value) = 0;
};

}  // namespace mervolt
