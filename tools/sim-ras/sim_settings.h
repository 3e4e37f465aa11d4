#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace simras {

// sim-ras.ini beside the DLL, read afresh at every use so a test can change it while a
// program runs:
//   [hosts]    name=address      names the resolver does not know (tried before it, like a
//                                hosts file)
//   [foreign]  names=a,b,...     connections that "exist" on the machine besides our calls
std::optional<std::string> mapped_host(std::string_view name);
std::vector<std::string> foreign_connection_names();

// The whole file, or nullopt when it cannot be read. The path is local-code-page text.
std::optional<std::string> read_whole_file(const char* path);

}  // namespace simras
