#include "support/emulated_profile_file.h"

#include <optional>
#include <string>
#include <vector>

#include "support/text.h"

namespace mervolt {
namespace {

std::string_view trim_blanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The file as lines without their line ends, and the line end it uses.
struct Lines {
    std::vector<std::string> lines;
    std::string line_end = "\r\n";
};

Lines split_lines(std::string_view content) {
    Lines result;
    if (content.find("\r\n") == std::string_view::npos && content.find('\n') != std::string_view::npos)
        result.line_end = "\n";
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string_view::npos) end = content.size();
        std::string_view line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        result.lines.emplace_back(line);
        start = end + 1;
    }
    return result;
}

std::optional<std::string_view> section_name(std::string_view line) {
    line = trim_blanks(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    return trim_blanks(line.substr(0, line.find(']')));
}

std::optional<std::string_view> value_of(std::string_view line, std::string_view key) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || !same_name(trim_blanks(line.substr(0, equals)), key)) return std::nullopt;
    return trim_blanks(line.substr(equals + 1));
}

// A value enclosed in a matching pair of single or double quotation marks loses them.
std::string_view without_quotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Where a key stands in the file: the line of its section's header and of the key itself.
struct Place {
    std::optional<std::size_t> section_line;
    std::optional<std::size_t> key_line;
    std::size_t section_end = 0;  // one past the section's last non-blank line
};

Place find(const std::vector<std::string>& lines, std::string_view section, std::string_view key) {
    Place place;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = section_name(lines[i])) {
            if (inside) break;  // the first section of that name is the one that counts
            inside = same_name(*name, section);
            if (inside) {
                place.section_line = i;
                place.section_end = i + 1;
            }
            continue;
        }
        if (!inside) continue;
        if (!trim_blanks(lines[i]).empty()) place.section_end = i + 1;
        if (!place.key_line && value_of(lines[i], key)) place.key_line = i;
    }
    return place;
}

}  // namespace

std::string EmulatedProfileFile::read(std::string_view path, std::string_view section, std::string_view key,
                                      std::string_view default_value, std::size_t buffer_size) {
    if (buffer_size == 0) return {};
    std::string_view value = default_value;
    const std::optional<std::string> content = files_.read_all(path);
    const Lines file = split_lines(content.value_or(std::string{}));
    const Place place = find(file.lines, section, key);
    if (place.key_line) value = without_quotes(*value_of(file.lines[*place.key_line], key));
    return std::string(cut_to_whole_characters(value, buffer_size - 1));
}

bool EmulatedProfileFile::write(std::string_view path, std::string_view section, std::string_view key,
                                std::string_view value) {
    const std::optional<std::string> content = files_.read_all(path);
    Lines file = split_lines(content.value_or(std::string{}));
    std::string entry(key);
    entry.append("=").append(value);
    const Place place = find(file.lines, section, key);
    if (place.key_line) {
        file.lines[*place.key_line] = entry;
    } else if (place.section_line) {
        file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(place.section_end), entry);
    } else {
        file.lines.push_back(std::string("[").append(section).append("]"));
        file.lines.push_back(entry);
    }
    std::string bytes;
    for (const std::string& line : file.lines) bytes.append(line).append(file.line_end);
    return files_.write_all(path, bytes);
}

}  // namespace mervolt
