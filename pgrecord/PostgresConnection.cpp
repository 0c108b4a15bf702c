#include "PostgresConnection.h"

#include <map>
#include <pqxx/pqxx>

#include "RecordError.h"

namespace record {
namespace {

// Every write transaction of the record holds this lock until it ends, so that two stations
// never read the same free id; the uniqueness constraint stays as the last guard.
constexpr std::int64_t kWriteLockKey = 0x4D455348;  // "MESH"

// Takes the write lock. Servers from version 12 on are also told, in the same round trip, that
// write statements keep one plan for the connection: they would otherwise plan each anew at its
// first five runs, and a gang's first commit runs each once per unit while every unit waits for
// its node id. Older servers know no such setting.
std::string beginWrite(int serverVersion) {
    std::string sql = "SELECT pg_advisory_xact_lock(" + std::to_string(kWriteLockKey) + ")";
    if (serverVersion >= 120000) sql = "SET LOCAL plan_cache_mode = force_generic_plan; " + sql;
    return sql;
}

// Connection exceptions (08), insufficient resources such as a full disk (53), the server
// shutting down or starting (57P), system errors (58).
bool unreachable(const std::string& sqlstate) {
    return sqlstate.starts_with("08") || sqlstate.starts_with("53") ||
           sqlstate.starts_with("57P") || sqlstate.starts_with("58");
}

// '?' placeholders become $1, $2, ... (the record's SQL holds no '?' inside its texts).
std::string numbered(std::string_view sql) {
    std::string text;
    int number = 0;
    for (const char c : sql) {
        if (c != '?') {
            text += c;
            continue;
        }
        text += '$';
        text += std::to_string(++number);
    }
    return text;
}

std::vector<std::optional<std::string>> texts(const Params& params) {
    std::vector<std::optional<std::string>> values;
    for (const Value& value : params) {
        if (const auto* number = std::get_if<std::int64_t>(&value))
            values.emplace_back(std::to_string(*number));
        else if (const auto* text = std::get_if<std::string>(&value))
            values.emplace_back(storedText(*text));
        else
            values.emplace_back();
    }
    return values;
}

// libpq's messages run over several lines ("...: Connection refused\n\tIs the server running
// ...?\n"); every failure the tool prints is one line.
std::string oneLine(std::string_view message) {
    std::string line;
    bool broken = false;
    for (const char c : message) {
        if (c == '\n') {
            broken = true;
        } else if (broken && (c == ' ' || c == '\t')) {
            continue;
        } else {
            if (broken) line += "; ";
            broken = false;
            line += c;
        }
    }
    return line;
}

// Each statement is parsed and planned once per connection and run by name after that: a gang
// runs the same few statements for every unit.
class PreparedNames {
  public:
    const std::string& of(pqxx::connection& connection, std::string_view sql) {
        const auto found = m_names.find(sql);
        if (found != m_names.end()) return found->second;
        const std::string name = "meshcfg_" + std::to_string(m_names.size() + 1);
        connection.prepare(name, numbered(sql));
        return m_names.emplace(std::string(sql), name).first->second;
    }

  private:
    std::map<std::string, std::string, std::less<>> m_names;
};

class PostgresStatements : public Statements {
  public:
    PostgresStatements(pqxx::connection& connection, PreparedNames& names,
                       pqxx::transaction_base& work)
        : m_connection(connection), m_names(names), m_work(work) {}

    std::vector<ResultRow> query(std::string_view sql, const Params& params) override {
        const pqxx::result result = run(sql, params);
        std::vector<ResultRow> rows;
        for (const auto& fields : result) {
            ResultRow row;
            for (const auto& field : fields) row.append(field.is_null() ? nullptr : field.c_str());
            rows.push_back(std::move(row));
        }
        return rows;
    }

    std::int64_t execute(std::string_view sql, const Params& params) override {
        return static_cast<std::int64_t>(run(sql, params).affected_rows());
    }

    bool hasTable(std::string_view table) override {
        return query("SELECT to_regclass(?)", {std::string(table)}).at(0).cells.at(0).has_value();
    }

    void prepare(std::string_view sql) override {
        m_connection.prepare_now(m_names.of(m_connection, sql));
    }

  private:
    pqxx::result run(std::string_view sql, const Params& params) {
        const auto values = texts(params);
        return m_work.exec_prepared(m_names.of(m_connection, sql),
                                    pqxx::prepare::make_dynamic_params(values));
    }

    pqxx::connection& m_connection;
    PreparedNames& m_names;
    pqxx::transaction_base& m_work;
};

class PostgresConnection : public Connection {
  public:
    explicit PostgresConnection(const RecordUrl& url) : m_url(url) { open(); }

    void transact(Access access, const std::function<void(Statements&)>& work) override {
        try {
            if (!m_connection || !m_connection->is_open()) open();
            if (access == Access::kRead) {
                pqxx::read_transaction transaction(*m_connection);
                runIn(transaction, work);
            } else {
                pqxx::work transaction(*m_connection);
                transaction.exec(beginWrite(m_connection->server_version()));
                runIn(transaction, work);
            }
        } catch (const pqxx::broken_connection& error) {
            down(error.what());
        } catch (const pqxx::in_doubt_error& error) {
            down(error.what());
        } catch (const pqxx::sql_error& error) {
            if (unreachable(error.sqlstate())) down(error.what());
            throw RecordError(where() + oneLine(error.what()));
        } catch (const pqxx::failure& error) {
            // libpq reports a connection lost in the middle of a statement this way too.
            if (!m_connection || !m_connection->is_open()) down(error.what());
            throw RecordError(where() + oneLine(error.what()));
        }
    }

    std::string_view rowNumberColumn() const override { return "BIGSERIAL PRIMARY KEY"; }

  private:
    void runIn(pqxx::transaction_base& transaction, const std::function<void(Statements&)>& work) {
        PostgresStatements statements(*m_connection, m_names, transaction);
        work(statements);
        transaction.commit();
    }

    void open() {
        m_connection.reset();
        m_names = {};
        try {
            m_connection = std::make_unique<pqxx::connection>(m_url.connectionString());
        } catch (const pqxx::broken_connection& error) {
            throw DatabaseDown(where() + oneLine(error.what()));
        }
    }

    [[noreturn]] void down(const std::string& what) {
        m_connection.reset();
        throw DatabaseDown(where() + oneLine(what));
    }

    std::string where() const { return m_url.place() + ": "; }

    RecordUrl m_url;
    std::unique_ptr<pqxx::connection> m_connection;
    PreparedNames m_names;  // of m_connection
};

}  // namespace

}  // namespace record

// The module's one entry; its failures are the record's exceptions.
extern "C" record::Connection* meshcfg_connect_postgres(const record::RecordUrl& url) {
    return new record::PostgresConnection(url);
}
