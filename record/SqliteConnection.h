#pragma once

#include <memory>

#include "Connection.h"

namespace record {

std::unique_ptr<Connection> connectSqlite(const RecordUrl& url, Connection::Access access);

}  // namespace record
