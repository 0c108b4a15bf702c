#pragma once

#include <memory>

#include "Connection.h"

namespace record {

std::unique_ptr<Connection> connectSqlite(const RecordUrl& url);

}  // namespace record
