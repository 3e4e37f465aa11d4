#pragma once
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace demo {

// The readable seed file the database is created from (format: tools/demo-service/README.md).
struct SeedAccount {
    std::string name;
    std::string password;
    std::string expiry;   // "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS", sent as it stands
    std::string package;
    bool expired = false;
};

struct SeedLine {
    std::string name;
    std::string description;
    std::string region;
};

struct Seed {
    std::vector<SeedAccount> accounts;
    std::vector<SeedLine> lines;
    std::vector<std::string> notice;  // paragraphs of the member page
};

// What is wrong with a seed, as "<origin>:<line>: <reason>".
class SeedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws SeedError. origin names the text in messages (the file name).
Seed parse_seed(std::string_view text, const std::string& origin);
Seed read_seed_file(const std::string& path);

}  // namespace demo
