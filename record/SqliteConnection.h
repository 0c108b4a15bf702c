#pragma once

#include <memory>

#include "Connection.h"

namespace record {

// A connection from the SQLite module, loaded on first use; a RecordError that names the module
// when it cannot be loaded.
std::unique_ptr<Connection> connectSqlite(const RecordUrl& url, Connection::Access access);

// The module's entry: a new connection, or the record's exceptions.
using ConnectSqlite = Connection* (*)(const RecordUrl& url, Connection::Access access);
inline constexpr const char* kSqliteModule = "meshcfg-sqlite.so";
inline constexpr const char* kSqliteEntry = "meshcfg_connect_sqlite";

}  // namespace record
