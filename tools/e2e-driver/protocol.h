#pragma once
// The driver's line protocol. A request is one line of TAB-separated fields: the verb, then
// key=value pairs; inside a field a backslash escapes a TAB (\t), a line feed (\n), a carriage
// return (\r) or itself (\\). Every reply is one line holding a JSON object: {"ok":true,...} or
// {"ok":false,"error":"..."}. Texts cross as UTF-8 and are UTF-16 only at the W-API calls.
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace driver {

// A command that cannot be carried out; its text becomes the reply's "error".
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Request {
public:
    // Throws CommandError for a broken escape or a field without '='.
    static Request parse(std::string_view line);

    const std::string& verb() const { return verb_; }
    bool has(const std::string& key) const { return args_.count(key) != 0; }
    std::optional<std::string> text(const std::string& key) const;
    std::string required_text(const std::string& key) const;
    // Decimal (or 0x-prefixed hexadecimal) integer; CommandError when present but not a number.
    std::optional<long long> number(const std::string& key) const;
    long long required_number(const std::string& key) const;
    long long number_or(const std::string& key, long long fallback) const;
    // "1"/"true" and "0"/"false".
    bool flag_or(const std::string& key, bool fallback) const;

private:
    std::string verb_;
    std::map<std::string, std::string> args_;
};

// Builds one JSON object; keys are ASCII, texts UTF-8.
class JsonObject {
public:
    JsonObject& text(std::string_view key, std::string_view utf8);
    JsonObject& number(std::string_view key, long long value);
    JsonObject& flag(std::string_view key, bool value);
    JsonObject& null(std::string_view key);
    // A value that is already JSON (an object or an array).
    JsonObject& raw(std::string_view key, std::string_view json);
    std::string str() const { return "{" + body_ + "}"; }

private:
    void key(std::string_view key);
    std::string body_;
};

std::string json_string(std::string_view utf8);
// Items that are already JSON, as one array.
std::string json_array(const std::vector<std::string>& items);

std::wstring utf8_to_wide(std::string_view utf8);
std::string wide_to_utf8(std::wstring_view wide);

}  // namespace driver
