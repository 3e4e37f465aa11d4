#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace demo {

// "%41" becomes "A"; a "%" not followed by two hexadecimal digits stays as it is, and "+" stays a
// plus sign (the client never form-encodes, it percent-encodes or sends raw bytes).
std::string percent_decode(std::string_view text);

// The query of a raw request target: the text after the first "?", empty when there is none.
std::string_view query_of(std::string_view target);

// A query split on "&" into key=value fields (both percent-decoded), in order.
class Query {
public:
    explicit Query(std::string_view raw_query);
    bool has(std::string_view key) const;
    // The first field with this key; nullopt when there is none.
    std::optional<std::string> value(std::string_view key) const;

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

struct Credentials {
    std::string name;
    std::string password;
};

// The sign-in's account name and password. The client sends both exactly as typed, so the name
// runs up to "&password=" and the password to the end of the query: "&", "=" and "+" inside them
// survive. Without that shape the plain key=value fields are used; nullopt when either is missing.
std::optional<Credentials> sign_in_credentials(std::string_view raw_query);

}  // namespace demo
