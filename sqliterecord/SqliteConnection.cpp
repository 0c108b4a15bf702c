#include "SqliteConnection.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "RecordError.h"

namespace record {
namespace {

// Another station holding the file longer than this counts as "file locked".
constexpr int kBusyTimeoutMs = 5000;

bool unreachable(int code) {
    switch (code & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_FULL:
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
        case SQLITE_READONLY:
        case SQLITE_NOMEM:
        case SQLITE_PROTOCOL:
            return true;
        default:
            return false;
    }
}

[[noreturn]] void rethrow(const RecordUrl& url, const SQLite::Exception& error) {
    const std::string what = url.place() + ": " + error.what();
    if (unreachable(error.getErrorCode())) throw DatabaseDown(what);
    throw RecordError(what);
}

// Each statement is compiled once per connection and run again after a reset: a gang runs the
// same few statements for every unit.
class CompiledStatements {
  public:
    explicit CompiledStatements(SQLite::Database& database) : m_database(database) {}

    SQLite::Statement& of(std::string_view sql) {
        auto found = m_statements.find(sql);
        if (found == m_statements.end())
            found = m_statements.try_emplace(std::string(sql), m_database, std::string(sql)).first;
        return found->second;
    }

  private:
    SQLite::Database& m_database;
    std::map<std::string, SQLite::Statement, std::less<>> m_statements;
};

// A compiled statement with the caller's values, made ready for its next run whatever happens.
class StatementRun {
  public:
    StatementRun(SQLite::Statement& statement, const Params& params) : m_statement(statement) {
        for (std::size_t i = 0; i < params.size(); ++i) {
            const int index = static_cast<int>(i) + 1;
            if (const auto* number = std::get_if<std::int64_t>(&params[i]))
                statement.bind(index, *number);
            else if (const auto* text = std::get_if<std::string>(&params[i]))
                statement.bind(index, storedText(*text));
            else
                statement.bind(index);
        }
    }
    // Every value is bound again on each run, so only the reset is needed.
    ~StatementRun() { m_statement.tryReset(); }
    StatementRun(const StatementRun&) = delete;
    StatementRun& operator=(const StatementRun&) = delete;

    SQLite::Statement& operator*() { return m_statement; }

  private:
    SQLite::Statement& m_statement;
};

class SqliteStatements : public Statements {
  public:
    explicit SqliteStatements(CompiledStatements& compiled) : m_compiled(compiled) {}

    std::vector<ResultRow> query(std::string_view sql, const Params& params) override {
        StatementRun run(m_compiled.of(sql), params);
        SQLite::Statement& statement = *run;
        std::vector<ResultRow> rows;
        while (statement.executeStep()) {
            ResultRow row;
            for (int i = 0; i < statement.getColumnCount(); ++i) {
                const SQLite::Column column = statement.getColumn(i);
                row.append(column.isNull() ? nullptr : column.getText());
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

    std::int64_t execute(std::string_view sql, const Params& params) override {
        StatementRun run(m_compiled.of(sql), params);
        return (*run).exec();
    }

    void prepare(std::string_view sql) override { m_compiled.of(sql); }

    bool hasTable(std::string_view table) override {
        return !query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?",
                      {std::string(table)})
                    .empty();
    }

  private:
    CompiledStatements& m_compiled;
};

// The file as SQLite opens it with its parameters: '%', '?' and '#' stand for themselves.
std::string fileUri(const std::string& path, std::string_view parameters) {
    std::string uri = "file:";
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            constexpr std::string_view kDigits = "0123456789ABCDEF";
            uri += '%';
            uri += kDigits[static_cast<unsigned char>(c) >> 4];
            uri += kDigits[static_cast<unsigned char>(c) & 0xF];
        } else {
            uri += c;
        }
    }
    return uri + "?" + std::string(parameters);
}

// A reader never makes the file, and takes a read-only one. A record in write-ahead logging
// whose folder it cannot write, and whose log no writer holds open, can only be read as a file
// that no one changes meanwhile: no writer could add a log there either.
SQLite::Database openForReading(const RecordUrl& url) {
    struct stat status {};
    if (::stat(url.path.c_str(), &status) != 0)
        throw DatabaseDown(url.place() + ": " + std::strerror(errno) +
                           ": no record there (reading never makes one)");
    try {
        SQLite::Database database(url.path, SQLite::OPEN_READONLY, kBusyTimeoutMs);
        database.exec("SELECT COUNT(*) FROM sqlite_master");
        return database;
    } catch (const SQLite::Exception& error) {
        const int code = error.getExtendedErrorCode();
        if (code != SQLITE_READONLY_DIRECTORY && code != SQLITE_READONLY_CANTINIT) throw;
    }
    return SQLite::Database(fileUri(url.path, "immutable=1"),
                            SQLite::OPEN_READONLY | SQLite::OPEN_URI, kBusyTimeoutMs);
}

SQLite::Database openForWriting(const RecordUrl& url) {
    SQLite::Database database(url.path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE,
                              kBusyTimeoutMs);
    // Write-ahead logging: readers never wait for a station's write, and a commit costs one
    // sync of the log. Several stations opening a new file at once may find another one
    // switching it: the record is just as safe with the rollback journal meanwhile.
    try {
        database.exec("PRAGMA journal_mode=WAL");
    } catch (const SQLite::Exception& error) {
        if ((error.getErrorCode() & 0xFF) != SQLITE_BUSY) throw;
    }
    database.exec("PRAGMA synchronous=FULL");
    database.exec("PRAGMA foreign_keys=ON");
    // A writer appends rows and reads few back: a small page cache keeps a watcher that writes
    // every second for months at the memory it started with (the default grows to 2 MiB).
    database.exec("PRAGMA cache_size=-256");
    return database;
}

class SqliteConnection : public Connection {
  public:
    SqliteConnection(const RecordUrl& url, Access access)
        : m_url(url),
          m_database(access == Access::kRead ? openForReading(url) : openForWriting(url)) {}

    void transact(Access access, const std::function<void(Statements&)>& work) override {
        try {
            // IMMEDIATE takes the write lock at once, so two writers never both read a free id.
            m_database.exec(access == Access::kWrite ? "BEGIN IMMEDIATE" : "BEGIN");
            try {
                SqliteStatements statements(m_compiled);
                work(statements);
                m_database.exec("COMMIT");
            } catch (...) {
                sqlite3_exec(m_database.getHandle(), "ROLLBACK", nullptr, nullptr, nullptr);
                throw;
            }
        } catch (const SQLite::Exception& error) {
            rethrow(m_url, error);
        }
    }

    std::string_view rowNumberColumn() const override { return "INTEGER PRIMARY KEY"; }

  private:
    RecordUrl m_url;
    SQLite::Database m_database;
    CompiledStatements m_compiled{m_database};  // goes before the database closes
};

}  // namespace

}  // namespace record

// The module's one entry; its failures are the record's exceptions.
extern "C" record::Connection* meshcfg_connect_sqlite(const record::RecordUrl& url,
                                                      record::Connection::Access access) {
    try {
        return new record::SqliteConnection(url, access);
    } catch (const SQLite::Exception& error) {
        record::rethrow(url, error);
    }
}
