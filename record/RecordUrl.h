#pragma once
// Where the line's record lives: sqlite:///path/line.db or postgresql://user@host:port/dbname.

#include <string>
#include <string_view>

namespace record {

struct RecordUrl {
    enum class Engine { kSqlite, kPostgres };
    Engine engine = Engine::kSqlite;
    std::string path;  // SQLite: the database file
    // PostgreSQL: user may be empty (the login name then); port 5432 unless given.
    std::string user;
    std::string host;
    int port = 5432;
    std::string database;

    // The libpq connection string, each value quoted.
    std::string connectionString() const;
    // Where the record is, as messages name it: the file, or postgresql://host:port/dbname.
    std::string place() const;
};

// A RecordError saying what is wrong and what a good address looks like.
RecordUrl parseRecordUrl(std::string_view url);

// The address as messages show it: a password in it, where the address is refused for holding
// one, as "***".
std::string shownRecordUrl(std::string_view url);

}  // namespace record
