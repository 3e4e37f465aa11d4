#include "protocol.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>

namespace driver {

namespace {

std::string unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size()) throw CommandError("a backslash ends a field");
        switch (field[i]) {
            case 't': out += '\t'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case '\\': out += '\\'; break;
            default: throw CommandError(std::string("unknown escape \\") + field[i]);
        }
    }
    return out;
}

}  // namespace

Request Request::parse(std::string_view line) {
    Request request;
    bool first = true;
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find('\t', start);
        if (end == std::string_view::npos) end = line.size();
        std::string_view raw = line.substr(start, end - start);
        start = end + 1;
        if (first) {
            request.verb_ = unescape(raw);
            first = false;
            continue;
        }
        if (raw.empty()) continue;
        size_t equals = raw.find('=');
        if (equals == std::string_view::npos)
            throw CommandError("field without '=': " + std::string(raw));
        request.args_[unescape(raw.substr(0, equals))] = unescape(raw.substr(equals + 1));
    }
    return request;
}

std::optional<std::string> Request::text(const std::string& key) const {
    auto it = args_.find(key);
    if (it == args_.end()) return std::nullopt;
    return it->second;
}

std::string Request::required_text(const std::string& key) const {
    auto value = text(key);
    if (!value) throw CommandError("missing argument " + key);
    return *value;
}

std::optional<long long> Request::number(const std::string& key) const {
    auto value = text(key);
    if (!value) return std::nullopt;
    const char* begin = value->c_str();
    char* end = nullptr;
    errno = 0;
    long long parsed = std::strtoll(begin, &end, 0);
    if (value->empty() || *end != '\0' || errno == ERANGE)
        throw CommandError("argument " + key + " is not a number: " + *value);
    return parsed;
}

long long Request::required_number(const std::string& key) const {
    auto value = number(key);
    if (!value) throw CommandError("missing argument " + key);
    return *value;
}

long long Request::number_or(const std::string& key, long long fallback) const {
    return number(key).value_or(fallback);
}

bool Request::flag_or(const std::string& key, bool fallback) const {
    auto value = text(key);
    if (!value) return fallback;
    if (*value == "1" || *value == "true") return true;
    if (*value == "0" || *value == "false") return false;
    throw CommandError("argument " + key + " is not 0 or 1: " + *value);
}

void JsonObject::key(std::string_view key) {
    if (!body_.empty()) body_ += ',';
    body_ += json_string(key);
    body_ += ':';
}

JsonObject& JsonObject::text(std::string_view k, std::string_view utf8) {
    key(k);
    body_ += json_string(utf8);
    return *this;
}

JsonObject& JsonObject::number(std::string_view k, long long value) {
    key(k);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::flag(std::string_view k, bool value) {
    key(k);
    body_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::null(std::string_view k) {
    key(k);
    body_ += "null";
    return *this;
}

JsonObject& JsonObject::raw(std::string_view k, std::string_view json) {
    key(k);
    body_ += json;
    return *this;
}

std::string json_string(std::string_view utf8) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
    return out;
}

std::string json_array(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += ',';
        out += items[i];
    }
    out += ']';
    return out;
}

std::wstring utf8_to_wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string wide_to_utf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr,
                        nullptr);
    return utf8;
}

}  // namespace driver
