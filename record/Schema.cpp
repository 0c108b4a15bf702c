#include "Schema.h"

#include <string>
#include <vector>

#include "RecordError.h"
#include "UnitRow.h"

namespace record {
namespace {

std::string setupColumns(std::string_view prefix) {
    std::string text;
    for (const std::string_view column : kSetupColumns)
        text += ", " + std::string(prefix) + std::string(column) + " BIGINT";
    return text;
}

// The tables of the first version.
std::vector<std::string> firstTables(std::string_view rowNumber) {
    const std::string id = "id " + std::string(rowNumber);
    return {
        "CREATE TABLE stations (" + id + ", name TEXT NOT NULL UNIQUE)",
        "CREATE TABLE profiles (" + id + ", name TEXT NOT NULL, sha256 TEXT NOT NULL" +
            setupColumns("") + ", UNIQUE (name, sha256))",
        "CREATE TABLE units (" + id +
            ", unit_id TEXT NOT NULL UNIQUE, time TEXT NOT NULL, time_ms BIGINT NOT NULL,"
            " utc_offset_min BIGINT NOT NULL, station_id BIGINT NOT NULL REFERENCES stations(id),"
            " port TEXT NOT NULL, device TEXT NOT NULL, adapter TEXT NOT NULL,"
            " adapter_serial TEXT NOT NULL, profile_id BIGINT REFERENCES profiles(id)" +
            setupColumns("read_") +
            ", network_id BIGINT, node_id BIGINT, result TEXT NOT NULL, why TEXT NOT NULL,"
            " duration_ms BIGINT NOT NULL)",
        // One row per node id given out: the constraint that no two units of a network ever
        // get the same id, whichever station asks.
        "CREATE TABLE node_ids (network_id BIGINT NOT NULL, node_id BIGINT NOT NULL,"
        " adapter_serial TEXT NOT NULL, unit_id TEXT NOT NULL, PRIMARY KEY (network_id, node_id))",
    };
}

// The second version: indexes for the questions a line manager asks of the record.
std::vector<std::string> queryIndexes(std::string_view) {
    return {
        "CREATE INDEX units_by_time ON units (time_ms)",
        "CREATE INDEX units_by_station ON units (station_id, result)",
        "CREATE INDEX units_by_node ON units (network_id, node_id)",
        "CREATE INDEX node_ids_by_unit ON node_ids (unit_id)",
    };
}

// The third version: the adapter as the port list describes it, which the report's adapter
// column shows.
std::vector<std::string> adapterNames(std::string_view) {
    return {"ALTER TABLE units ADD COLUMN adapter_name TEXT NOT NULL DEFAULT ''"};
}

using Step = std::vector<std::string> (*)(std::string_view rowNumber);
// Step i brings a record from version i to version i + 1.
constexpr Step kSteps[] = {firstTables, queryIndexes, adapterNames};
static_assert(std::size(kSteps) == kSchemaVersion);

}  // namespace

int schemaVersion(Statements& statements) {
    statements.execute("CREATE TABLE IF NOT EXISTS schema_version (version BIGINT NOT NULL)");
    const auto rows = statements.query("SELECT version FROM schema_version");
    if (rows.empty()) return 0;
    return static_cast<int>(rows.front().integer(0).value_or(0));
}

void migrate(Connection& connection, int target) {
    connection.transact(Connection::Access::kWrite, [&](Statements& statements) {
        const int version = schemaVersion(statements);
        if (version > kSchemaVersion)
            throw RecordError("the record has schema version " + std::to_string(version) +
                              ", made by a newer meshcfg; this one knows up to version " +
                              std::to_string(kSchemaVersion) + ": update meshcfg");
        if (version >= target) return;
        for (int step = version; step < target; ++step)
            for (const std::string& sql : kSteps[step](connection.rowNumberColumn()))
                statements.execute(sql);
        if (version == 0)
            statements.execute("INSERT INTO schema_version (version) VALUES (?)",
                               {std::int64_t{target}});
        else
            statements.execute("UPDATE schema_version SET version = ?", {std::int64_t{target}});
    });
}

}  // namespace record
