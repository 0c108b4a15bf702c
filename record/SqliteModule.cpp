#include "ProgramModule.h"
#include "RecordError.h"
#include "SqliteConnection.h"

namespace record {

std::unique_ptr<Connection> connectSqlite(const RecordUrl& url, Connection::Access access) {
    static const modules::ModuleEntry module =
        modules::loadModuleEntry(kSqliteModule, kSqliteEntry, "SQLite records");
    if (!module.address) throw RecordError(module.error);
    return std::unique_ptr<Connection>(
        reinterpret_cast<ConnectSqlite>(module.address)(url, access));
}

}  // namespace record
