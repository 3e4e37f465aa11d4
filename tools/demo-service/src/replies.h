#pragma once
#include "store.h"

#include <optional>
#include <string>
#include <vector>

namespace demo {

// The bodies the service answers with, UTF-8.

// "<expiry>|<package>|ok" for an accepted sign-in, "||fail" otherwise.
std::string sign_in_reply(const std::optional<AccountStanding>& account);

// "<address>:<name>+<description>;" per line, in order; empty for no lines.
std::string line_list_reply(const std::vector<LineRecord>& lines);

// The member notice as an HTML page, one paragraph per entry.
std::string member_page(const std::vector<std::string>& paragraphs);

// The public-address page: the address after the title's full-width colon, the location after
// the full-width colon that follows the "]" of the body.
std::string ip_lookup_page();

// A reply that is not UTF-8 at all, for the garbage fault.
std::string garbage_reply();

}  // namespace demo
