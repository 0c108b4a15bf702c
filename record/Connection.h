#pragma once
// One connection to the line's record, whichever engine holds it. The record's logic is
// written once against this, in SQL both engines read: '?' placeholders, BIGINT and TEXT
// columns, INSERT ... ON CONFLICT.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "RecordUrl.h"

namespace record {

using Value = std::variant<std::monostate, std::int64_t, std::string>;  // monostate is NULL
using Params = std::vector<Value>;

// A text as the record keeps it: UTF-8 whatever the device or the user gave (a device name, a
// USB serial), each stray byte written "\xNN" as the commands print it, so that a server that
// takes only UTF-8 keeps the row and both engines hold and find the same text.
std::string storedText(const std::string& text);

struct ResultRow {
    std::vector<std::optional<std::string>> cells;  // nothing for NULL

    void append(const char* textOrNull);

    std::string text(std::size_t column) const;
    std::optional<std::int64_t> integer(std::size_t column) const;
};

class Statements {
  public:
    virtual ~Statements() = default;
    virtual std::vector<ResultRow> query(std::string_view sql, const Params& params = {}) = 0;
    // The number of rows changed.
    virtual std::int64_t execute(std::string_view sql, const Params& params = {}) = 0;
    // Whether the database holds this table.
    virtual bool hasTable(std::string_view table) = 0;
    // Readies a statement that will run soon, so that its first run costs no more than the next.
    virtual void prepare(std::string_view sql) = 0;
};

class Connection {
  public:
    enum class Access { kRead, kWrite };

    virtual ~Connection() = default;
    // Runs the work in one transaction and commits it; a write transaction excludes every other
    // writer of the record, on any computer, until it ends. DatabaseDown when the database
    // cannot be reached (nothing of the work is then kept, or the outcome is unknown);
    // RecordError for any other fault. The connection is made again on the next call.
    virtual void transact(Access access, const std::function<void(Statements&)>& work) = 0;
    // The column type of an automatic row number.
    virtual std::string_view rowNumberColumn() const = 0;
};

// DatabaseDown when the database cannot be reached now. A connection for kRead runs only read
// transactions and never makes the database: a SQLite file must be there, and may be read-only.
std::unique_ptr<Connection> connect(const RecordUrl& url,
                                    Connection::Access access = Connection::Access::kWrite);

}  // namespace record
