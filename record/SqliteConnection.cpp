#include "SqliteConnection.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

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
    const std::string what = url.path + ": " + error.what();
    if (unreachable(error.getErrorCode())) throw DatabaseDown(what);
    throw RecordError(what);
}

class SqliteStatements : public Statements {
  public:
    explicit SqliteStatements(SQLite::Database& database) : m_database(database) {}

    std::vector<ResultRow> query(std::string_view sql, const Params& params) override {
        SQLite::Statement statement(m_database, std::string(sql));
        bind(statement, params);
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
        SQLite::Statement statement(m_database, std::string(sql));
        bind(statement, params);
        return statement.exec();
    }

  private:
    static void bind(SQLite::Statement& statement, const Params& params) {
        for (std::size_t i = 0; i < params.size(); ++i) {
            const int index = static_cast<int>(i) + 1;
            if (const auto* number = std::get_if<std::int64_t>(&params[i]))
                statement.bind(index, *number);
            else if (const auto* text = std::get_if<std::string>(&params[i]))
                statement.bind(index, *text);
            else
                statement.bind(index);
        }
    }

    SQLite::Database& m_database;
};

class SqliteConnection : public Connection {
  public:
    explicit SqliteConnection(const RecordUrl& url)
        : m_url(url),
          m_database(url.path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE, kBusyTimeoutMs) {
        // Write-ahead logging: readers never wait for a station's write, and a commit costs one
        // sync of the log. Several stations opening a new file at once may find another one
        // switching it: the record is just as safe with the rollback journal meanwhile.
        try {
            m_database.exec("PRAGMA journal_mode=WAL");
        } catch (const SQLite::Exception& error) {
            if ((error.getErrorCode() & 0xFF) != SQLITE_BUSY) throw;
        }
        m_database.exec("PRAGMA synchronous=FULL");
        m_database.exec("PRAGMA foreign_keys=ON");
    }

    void transact(Access access, const std::function<void(Statements&)>& work) override {
        try {
            // IMMEDIATE takes the write lock at once, so two writers never both read a free id.
            m_database.exec(access == Access::kWrite ? "BEGIN IMMEDIATE" : "BEGIN");
            try {
                SqliteStatements statements(m_database);
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
};

}  // namespace

std::unique_ptr<Connection> connectSqlite(const RecordUrl& url) {
    try {
        return std::make_unique<SqliteConnection>(url);
    } catch (const SQLite::Exception& error) {
        rethrow(url, error);
    }
}

}  // namespace record
