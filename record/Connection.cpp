#include "Connection.h"

#include <charconv>

#include "PostgresConnection.h"
#include "RecordError.h"
#include "SqliteConnection.h"
#include "Text.h"

namespace record {

std::string storedText(const std::string& text) {
    return forms::utf8Text(text);
}

void ResultRow::append(const char* textOrNull) {
    if (textOrNull)
        cells.emplace_back(textOrNull);
    else
        cells.emplace_back();
}

std::string ResultRow::text(std::size_t column) const {
    return cells.at(column).value_or(std::string());
}

std::optional<std::int64_t> ResultRow::integer(std::size_t column) const {
    const auto& cell = cells.at(column);
    if (!cell) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(cell->data(), cell->data() + cell->size(), value);
    if (error != std::errc() || end != cell->data() + cell->size())
        throw RecordError("the record holds '" + *cell + "' where a number belongs");
    return value;
}

std::unique_ptr<Connection> connect(const RecordUrl& url, Connection::Access access) {
    return url.engine == RecordUrl::Engine::kSqlite ? connectSqlite(url, access)
                                                    : connectPostgres(url);
}

}  // namespace record
