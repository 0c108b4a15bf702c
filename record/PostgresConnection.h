#pragma once

#include <memory>

#include "Connection.h"

namespace record {

std::unique_ptr<Connection> connectPostgres(const RecordUrl& url);

}  // namespace record
