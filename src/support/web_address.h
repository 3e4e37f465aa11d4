#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mervolt {

// A web address taken apart the way the web client and the one-shot fetch address a server.
struct WebAddress {
    std::string scheme;  // "http://" or "https://"
    std::string host;
    std::uint16_t port = 0;
    std::string path;    // from the first "/" after the host to the end, query included; at least "/"
    // Length of the address before its path (scheme, host and port separator): where the path
    // begins in the address that was split.
    std::size_t path_start = 0;
};

// Puts "http://" in front of an address that does not begin (in any letter case) with
// "http://" or "https://".
std::string normalise_web_address(std::string_view address);

// Scheme (any letter case), host, port and path. The port separator is the first ":" among the
// seven characters before the path's "/"; without one the port is 443 for https and 80 otherwise,
// and a written port of 10 or less also means 80. nullopt for an empty address, an empty host or a
// port above 65535.
std::optional<WebAddress> split_web_address(std::string_view address);

}  // namespace mervolt
