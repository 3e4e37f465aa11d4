#include "query.h"

#include "hex_digit.h"

namespace demo {
namespace {

// Where a field named key starts (the position of its value), or npos.
size_t value_start(std::string_view query, std::string_view key) {
    for (size_t at = query.find(key); at != std::string_view::npos; at = query.find(key, at + 1)) {
        bool field_start = at == 0 || query[at - 1] == '&';
        size_t end = at + key.size();
        if (field_start && end < query.size() && query[end] == '=') return end + 1;
    }
    return std::string_view::npos;
}

}  // namespace

std::string percent_decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hex_digit(text[i + 1]);
            int low = hex_digit(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string_view query_of(std::string_view target) {
    size_t mark = target.find('?');
    return mark == std::string_view::npos ? std::string_view{} : target.substr(mark + 1);
}

Query::Query(std::string_view raw_query) {
    while (!raw_query.empty()) {
        size_t amp = raw_query.find('&');
        std::string_view field = raw_query.substr(0, amp);
        raw_query = amp == std::string_view::npos ? std::string_view{} : raw_query.substr(amp + 1);
        if (field.empty()) continue;
        size_t eq = field.find('=');
        std::string_view key = field.substr(0, eq);
        std::string_view val = eq == std::string_view::npos ? std::string_view{} : field.substr(eq + 1);
        fields_.emplace_back(percent_decode(key), percent_decode(val));
    }
}

bool Query::has(std::string_view key) const { return value(key).has_value(); }

std::optional<std::string> Query::value(std::string_view key) const {
    for (const auto& [k, v] : fields_)
        if (k == key) return v;
    return std::nullopt;
}

std::optional<Credentials> sign_in_credentials(std::string_view raw_query) {
    size_t name_at = value_start(raw_query, "username");
    if (name_at != std::string_view::npos) {
        size_t password_key = raw_query.find("&password=", name_at);
        if (password_key != std::string_view::npos) {
            return Credentials{percent_decode(raw_query.substr(name_at, password_key - name_at)),
                               percent_decode(raw_query.substr(password_key + 10))};
        }
    }
    Query fields(raw_query);
    auto name = fields.value("username");
    auto password = fields.value("password");
    if (!name || !password) return std::nullopt;
    return Credentials{*name, *password};
}

}  // namespace demo
