#include "store.h"

#include "password_hash.h"

#include <filesystem>
#include <sqlite3.h>
#include <stdexcept>

namespace demo {
namespace {

// One prepared statement, finalized on every path.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) fail("prepare");
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::string_view text) {
        // A null pointer would bind NULL, which no text equals or contains.
        const char* data = text.data() ? text.data() : "";
        if (sqlite3_bind_text(stmt_, index, data, static_cast<int>(text.size()), SQLITE_TRANSIENT) != SQLITE_OK)
            fail("bind");
        return *this;
    }
    Statement& bind(int index, long long value) {
        if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) fail("bind");
        return *this;
    }
    // True while a row is there to read.
    bool step() {
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) fail("step");
        return false;
    }
    void run() {
        while (step()) {
        }
        sqlite3_reset(stmt_);
    }
    std::string text(int column) const {
        const unsigned char* value = sqlite3_column_text(stmt_, column);
        return value ? std::string(reinterpret_cast<const char*>(value), sqlite3_column_bytes(stmt_, column))
                     : std::string();
    }
    long long integer(int column) const { return sqlite3_column_int64(stmt_, column); }

private:
    [[noreturn]] void fail(const char* what) const {
        throw std::runtime_error(std::string("database ") + what + " failed: " + sqlite3_errmsg(db_));
    }
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

void execute(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error("database: " + text);
    }
}

const char* const schema = R"sql(
CREATE TABLE accounts (
    name TEXT PRIMARY KEY,
    salt TEXT NOT NULL,
    password_hash TEXT NOT NULL,
    expiry TEXT NOT NULL,
    package TEXT NOT NULL,
    expired INTEGER NOT NULL
);
CREATE TABLE lines (
    id INTEGER PRIMARY KEY,
    address TEXT NOT NULL DEFAULT '',
    name TEXT NOT NULL,
    description TEXT NOT NULL,
    region TEXT NOT NULL
);
CREATE TABLE notice (
    id INTEGER PRIMARY KEY,
    paragraph TEXT NOT NULL
);
)sql";

}  // namespace

Store::Store(const std::string& path, const std::function<Seed()>& load_seed) {
    bool in_memory = path.empty();
    bool fresh = in_memory || !std::filesystem::exists(path);
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (fresh ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(in_memory ? ":memory:" : path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("cannot open the database " + path + ": " + reason);
    }
    try {
        if (fresh) {
            create_from(load_seed());
        } else {
            Statement tables(db_, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                                  "('accounts', 'lines', 'notice')");
            if (!tables.step() || tables.integer(0) != 3)
                throw std::runtime_error(path + " is not a database of this service");
        }
    } catch (...) {
        sqlite3_close(db_);
        // A half-made file would be taken for a finished database at the next start.
        if (fresh && !in_memory) std::filesystem::remove(path);
        throw;
    }
}

Store::~Store() { sqlite3_close(db_); }

void Store::create_from(const Seed& seed) {
    execute(db_, "BEGIN");
    execute(db_, schema);
    Statement account(db_, "INSERT INTO accounts VALUES (?, ?, ?, ?, ?, ?)");
    for (const SeedAccount& a : seed.accounts) {
        std::string salt = new_salt();
        account.bind(1, a.name).bind(2, salt).bind(3, password_hash(salt, a.password));
        account.bind(4, a.expiry).bind(5, a.package).bind(6, a.expired ? 1LL : 0LL).run();
    }
    Statement line(db_, "INSERT INTO lines (name, description, region) VALUES (?, ?, ?)");
    for (const SeedLine& l : seed.lines) line.bind(1, l.name).bind(2, l.description).bind(3, l.region).run();
    Statement paragraph(db_, "INSERT INTO notice (paragraph) VALUES (?)");
    for (const std::string& p : seed.notice) paragraph.bind(1, p).run();
    execute(db_, "COMMIT");
}

void Store::assign_line_addresses(std::string_view line_net) {
    std::lock_guard lock(mutex_);
    std::vector<long long> ids;
    Statement select(db_, "SELECT id FROM lines ORDER BY id");
    while (select.step()) ids.push_back(select.integer(0));
    if (ids.size() > 253)
        throw std::runtime_error("the database has " + std::to_string(ids.size()) +
                                 " lines; a line net has addresses for 253");
    execute(db_, "BEGIN");
    Statement update(db_, "UPDATE lines SET address = ? WHERE id = ?");
    for (size_t i = 0; i < ids.size(); ++i)
        update.bind(1, std::string(line_net) + "." + std::to_string(i + 2)).bind(2, ids[i]).run();
    execute(db_, "COMMIT");
}

std::optional<AccountStanding> Store::check_password(std::string_view name, std::string_view password) const {
    std::lock_guard lock(mutex_);
    Statement select(db_, "SELECT salt, password_hash, expiry, package, expired FROM accounts WHERE name = ?");
    select.bind(1, name);
    if (!select.step() || password_hash(select.text(0), password) != select.text(1)) return std::nullopt;
    return AccountStanding{select.text(2), select.text(3), select.integer(4) != 0};
}

std::vector<LineRecord> Store::lines() const { return select_lines({}, false); }

std::vector<LineRecord> Store::lines_in_region(std::string_view text) const { return select_lines(text, true); }

std::vector<LineRecord> Store::select_lines(std::string_view region_text, bool filtered) const {
    std::lock_guard lock(mutex_);
    // instr() rather than LIKE: "%" and "_" in the searched text are ordinary characters.
    Statement select(db_, filtered ? "SELECT address, name, description, region FROM lines "
                                     "WHERE instr(region, ?) > 0 ORDER BY id"
                                   : "SELECT address, name, description, region FROM lines ORDER BY id");
    if (filtered) select.bind(1, region_text);
    std::vector<LineRecord> lines;
    while (select.step()) lines.push_back({select.text(0), select.text(1), select.text(2), select.text(3)});
    return lines;
}

std::vector<std::string> Store::notice() const {
    std::lock_guard lock(mutex_);
    Statement select(db_, "SELECT paragraph FROM notice ORDER BY id");
    std::vector<std::string> paragraphs;
    while (select.step()) paragraphs.push_back(select.text(0));
    return paragraphs;
}

}  // namespace demo
