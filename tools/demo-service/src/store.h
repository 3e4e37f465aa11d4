#pragma once
#include "seed.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace demo {

struct AccountStanding {
    std::string expiry;
    std::string package;
    bool expired = false;
};

struct LineRecord {
    std::string address;
    std::string name;
    std::string description;
    std::string region;
};

// The service's SQLite database: accounts (salted password hashes, package, expiry, the expired
// flag), lines (address, name, description, region) and the member notice. All texts UTF-8.
// Safe to use from several threads.
class Store {
public:
    // An empty path means a private in-memory database that goes away with the process. A file
    // that does not exist yet is created and filled from load_seed(); an existing one is used as
    // it is. Throws std::runtime_error (or SeedError from load_seed).
    Store(const std::string& path, const std::function<Seed()>& load_seed);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // The lines get the addresses <line_net>.2, .3, ... in seed order. Throws when there are more
    // lines than such addresses.
    void assign_line_addresses(std::string_view line_net);

    // The account's standing when name and password match; nullopt otherwise.
    std::optional<AccountStanding> check_password(std::string_view name, std::string_view password) const;

    std::vector<LineRecord> lines() const;
    // The lines whose region contains the text (every line for an empty text), in seed order.
    std::vector<LineRecord> lines_in_region(std::string_view text) const;
    std::vector<std::string> notice() const;

private:
    void create_from(const Seed& seed);
    std::vector<LineRecord> select_lines(std::string_view region_text, bool filtered) const;

    sqlite3* db_ = nullptr;
    mutable std::mutex mutex_;
};

}  // namespace demo
