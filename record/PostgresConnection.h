#pragma once

#include <memory>

#include "Connection.h"

namespace record {

// A connection from the PostgreSQL module, loaded on first use; a RecordError that names the
// module when it cannot be loaded.
std::unique_ptr<Connection> connectPostgres(const RecordUrl& url);

// The module's entry: a new connection, or the record's exceptions.
using ConnectPostgres = Connection* (*)(const RecordUrl& url);
inline constexpr const char* kPostgresModule = "meshcfg-postgresql.so";
inline constexpr const char* kPostgresEntry = "meshcfg_connect_postgres";

}  // namespace record
