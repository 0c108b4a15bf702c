#include "PostgresConnection.h"
#include "ProgramModule.h"
#include "RecordError.h"

namespace record {

std::unique_ptr<Connection> connectPostgres(const RecordUrl& url) {
    static const modules::ModuleEntry module =
        modules::loadModuleEntry(kPostgresModule, kPostgresEntry, "PostgreSQL records");
    if (!module.address) throw RecordError(module.error);
    return std::unique_ptr<Connection>(reinterpret_cast<ConnectPostgres>(module.address)(url));
}

}  // namespace record
