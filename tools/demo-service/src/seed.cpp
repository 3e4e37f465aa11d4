#include "seed.h"

#include "gbk_conversion.h"

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace demo {
namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::vector<std::string> split_fields(std::string_view line) {
    std::vector<std::string> fields;
    while (true) {
        size_t bar = line.find('|');
        fields.emplace_back(trim(line.substr(0, bar)));
        if (bar == std::string_view::npos) return fields;
        line.remove_prefix(bar + 1);
    }
}

bool digits_at(std::string_view text, size_t at, size_t count) {
    for (size_t i = at; i < at + count; ++i)
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// "YYYY-MM-DD" with an optional " HH:MM:SS": the form the client reads back as a date-time.
bool is_expiry(std::string_view text) {
    if (text.size() != 10 && text.size() != 19) return false;
    bool date = digits_at(text, 0, 4) && text[4] == '-' && digits_at(text, 5, 2) && text[7] == '-' &&
                digits_at(text, 8, 2);
    if (!date) return false;
    if (text.size() == 10) return true;
    return text[10] == ' ' && digits_at(text, 11, 2) && text[13] == ':' &&
           digits_at(text, 14, 2) && text[16] == ':' && digits_at(text, 17, 2);
}

class SeedReader {
public:
    explicit SeedReader(const std::string& origin) : origin_(origin) {}

    Seed read(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        std::string section;
        while (!text.empty()) {
            ++line_number_;
            size_t end = text.find('\n');
            std::string_view line = trim(text.substr(0, end));
            text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
            if (line.empty() || line.front() == '#') continue;
            if (line.front() == '[' && line.back() == ']') {
                section = std::string(line.substr(1, line.size() - 2));
                if (section != "accounts" && section != "lines" && section != "notice")
                    fail("unknown section [" + section + "]");
                continue;
            }
            if (section == "accounts") add_account(line);
            else if (section == "lines") add_line(line);
            else if (section == "notice") seed_.notice.push_back(shown_text(line, "notice"));
            else fail("text before the first section");
        }
        return std::move(seed_);
    }

private:
    [[noreturn]] void fail(const std::string& reason) const {
        throw SeedError(origin_ + ":" + std::to_string(line_number_) + ": " + reason);
    }

    std::vector<std::string> fields(std::string_view line, size_t count, const char* what) const {
        auto parts = split_fields(line);
        if (parts.size() != count)
            fail(std::string(what) + " needs " + std::to_string(count) + " fields separated by \"|\", found " +
                 std::to_string(parts.size()));
        return parts;
    }

    // Every text reaches the client, which shows it in code page 936.
    std::string shown_text(std::string_view text, const char* what) const {
        if (!utf8_to_gbk(text)) fail(std::string(what) + " is not UTF-8 text that code page 936 can show");
        return std::string(text);
    }

    void add_account(std::string_view line) {
        auto f = fields(line, 5, "an account");
        SeedAccount account{shown_text(f[0], "the account name"), shown_text(f[1], "the password"), f[2],
                            shown_text(f[3], "the package"), false};
        if (account.name.empty()) fail("empty account name");
        if (!names_.insert(account.name).second) fail("account \"" + account.name + "\" appears twice");
        if (!is_expiry(account.expiry)) fail("expiry \"" + account.expiry + "\" is not YYYY-MM-DD [HH:MM:SS]");
        if (f[4] == "expired") account.expired = true;
        else if (f[4] != "active") fail("state must be \"active\" or \"expired\", not \"" + f[4] + "\"");
        seed_.accounts.push_back(std::move(account));
    }

    void add_line(std::string_view line) {
        auto f = fields(line, 3, "a line");
        SeedLine entry{shown_text(f[0], "the line name"), shown_text(f[1], "the description"),
                       shown_text(f[2], "the region")};
        if (entry.name.empty() || entry.region.empty()) fail("a line needs a name and a region");
        // ";", ":" and "+" separate the fields of the client's line list.
        for (const std::string* text : {&entry.name, &entry.description})
            if (text->find_first_of(";:+") != std::string::npos)
                fail("a line's name and description must not hold \";\", \":\" or \"+\"");
        seed_.lines.push_back(std::move(entry));
    }

    std::string origin_;
    int line_number_ = 0;
    std::set<std::string> names_;
    Seed seed_;
};

}  // namespace

Seed parse_seed(std::string_view text, const std::string& origin) { return SeedReader(origin).read(text); }

Seed read_seed_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw SeedError(path + ": cannot be read");
    std::ostringstream text;
    text << file.rdbuf();
    return parse_seed(text.str(), path);
}

}  // namespace demo
