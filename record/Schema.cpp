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

// The fourth version: who ran the station, so that results read by other systems name them.
std::vector<std::string> operatorNames(std::string_view) {
    return {"ALTER TABLE units ADD COLUMN operator_name TEXT NOT NULL DEFAULT ''"};
}

// The fifth version: what mesh watchers tell, each row under its watcher's site, so that the
// watchers of several sites share one server and never mix: every event, and a sample of each
// figure per survey.
std::vector<std::string> watchHistory(std::string_view rowNumber) {
    const std::string id = "id " + std::string(rowNumber);
    return {
        "CREATE TABLE watch_events (" + id +
            ", site TEXT NOT NULL, time TEXT NOT NULL, time_ms BIGINT NOT NULL,"
            " kind TEXT NOT NULL, phase TEXT NOT NULL, port TEXT NOT NULL, node BIGINT,"
            " peer BIGINT, old_value TEXT NOT NULL, new_value TEXT NOT NULL, text TEXT NOT NULL)",
        "CREATE INDEX watch_events_by_time ON watch_events (site, time_ms)",
        "CREATE INDEX watch_events_by_node ON watch_events (site, node, time_ms)",
        "CREATE TABLE watch_samples (site TEXT NOT NULL, time_ms BIGINT NOT NULL,"
        " figure TEXT NOT NULL, node BIGINT, peer BIGINT, value BIGINT NOT NULL)",
        "CREATE INDEX watch_samples_by_time ON watch_samples (site, time_ms)",
    };
}

using Step = std::vector<std::string> (*)(std::string_view rowNumber);
// Step i brings a record from version i to version i + 1.
constexpr Step kSteps[] = {firstTables, queryIndexes, adapterNames, operatorNames, watchHistory};
static_assert(std::size(kSteps) == kSchemaVersion);

}  // namespace

namespace {

int versionIn(Statements& statements) {
    const auto rows = statements.query("SELECT version FROM schema_version");
    if (rows.empty()) return 0;
    return static_cast<int>(rows.front().integer(0).value_or(0));
}

}  // namespace

int schemaVersion(Statements& statements) {
    return statements.hasTable("schema_version") ? versionIn(statements) : 0;
}

namespace {

void refuseNewer(int version) {
    if (version > kSchemaVersion)
        throw RecordError("the record has schema version " + std::to_string(version) +
                          ", made by a newer meshcfg; this one knows up to version " +
                          std::to_string(kSchemaVersion) + ": update meshcfg");
}

int readVersion(Connection& connection) {
    int version = 0;
    connection.transact(Connection::Access::kRead,
                        [&](Statements& statements) { version = schemaVersion(statements); });
    refuseNewer(version);
    return version;
}

}  // namespace

void migrate(Connection& connection, int target) {
    // Nearly always up to date already: found without taking the record's write lock.
    if (readVersion(connection) >= target) return;
    connection.transact(Connection::Access::kWrite, [&](Statements& statements) {
        // Another station may have brought it up to date meanwhile. Made and read as statements
        // on the table itself, which see what that station committed; a question about the
        // catalogue may still be answered from before.
        statements.execute("CREATE TABLE IF NOT EXISTS schema_version (version BIGINT NOT NULL)");
        const int version = versionIn(statements);
        refuseNewer(version);
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

void checkReadable(Connection& connection, std::string_view place) {
    const int version = readVersion(connection);
    if (version == 0)
        throw DatabaseDown(std::string(place) + ": no record there (reading never makes one)");
    if (version < kSchemaVersion)
        throw RecordError(std::string(place) + ": the record has schema version " +
                          std::to_string(version) +
                          ", made by an older meshcfg: apply or station with this one brings "
                          "it up to date");
}

}  // namespace record
