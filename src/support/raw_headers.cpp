#include "support/raw_headers.h"

#include <algorithm>
#include <cctype>

namespace mervolt {
namespace {

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::optional<ContentCoding> coding_named(std::string_view value) {
    value = trim_blanks(value);
    if (equal_ignoring_case(value, "gzip")) return ContentCoding::gzip;
    if (equal_ignoring_case(value, "deflate")) return ContentCoding::deflate;
    return std::nullopt;
}

// Calls visit(line) for every line of the block; a line includes its CR LF.
template <typename Visit>
void for_each_line(std::string_view block, Visit visit) {
    std::size_t start = 0;
    while (start < block.size()) {
        std::size_t end = block.find("\r\n", start);
        end = end == std::string_view::npos ? block.size() : end + 2;
        visit(block.substr(start, end - start));
        start = end;
    }
}

std::optional<ContentCoding> coding_of_line(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !equal_ignoring_case(line.substr(0, colon), "Content-Encoding")) {
        return std::nullopt;
    }
    std::string_view value = line.substr(colon + 1);
    if (value.ends_with("\r\n")) value.remove_suffix(2);
    return coding_named(value);
}

}  // namespace

std::optional<RawHeaderField> find_raw_header(std::string_view raw_headers, std::string_view name) {
    std::size_t line_start = 0;
    while (line_start <= raw_headers.size()) {
        const std::string_view rest = raw_headers.substr(line_start);
        if (rest.size() > name.size() && rest[name.size()] == ':' &&
            equal_ignoring_case(rest.substr(0, name.size()), name)) {
            const std::string_view after = rest.substr(name.size() + 1);
            const std::size_t end = after.find("\r\n");
            if (end == std::string_view::npos) return RawHeaderField{after, false};
            return RawHeaderField{after.substr(0, end), true};
        }
        const std::size_t next = raw_headers.find("\r\n", line_start);
        if (next == std::string_view::npos) break;
        line_start = next + 2;
    }
    return std::nullopt;
}

std::optional<ContentCoding> undoable_content_coding(std::string_view raw_headers) {
    const std::optional<RawHeaderField> field = find_raw_header(raw_headers, "Content-Encoding");
    if (!field) return std::nullopt;
    return coding_named(field->value);
}

std::string without_undoable_content_coding(std::string_view raw_headers) {
    std::string kept;
    kept.reserve(raw_headers.size());
    for_each_line(raw_headers, [&](std::string_view line) {
        if (!coding_of_line(line)) kept.append(line);
    });
    return kept;
}

}  // namespace mervolt
