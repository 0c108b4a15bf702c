#include "UnitTable.h"

#include <string>
#include <vector>

#include "RecordError.h"

namespace record {
namespace {

void appendSetup(Params& params, const std::optional<proto::Setup>& setup) {
    if (!setup) {
        params.insert(params.end(), std::size(kSetupColumns), Value());
        return;
    }
    proto::forEachSetupField(*setup, [&params](const proto::SetupKeyNames&, auto field) {
        params.emplace_back(std::int64_t{field});
    });
}

std::string joinedSetupColumns(std::string_view prefix) {
    std::string text;
    for (const std::string_view column : kSetupColumns)
        text += ", " + std::string(prefix) + std::string(column);
    return text;
}

std::string placeholders(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += i == 0 ? "?" : ", ?";
    return text;
}

// The row's id, the row added first when it is new. Looked up before inserting: a station's
// name and a profile are nearly always there already, and each statement is a round trip.
template <typename Key>
std::int64_t idOf(Statements& statements, std::map<Key, std::int64_t>& known, const Key& key,
                  const std::string& select, const Params& keyValues, const std::string& insert,
                  const Params& values) {
    if (const auto found = known.find(key); found != known.end()) return found->second;
    const auto rows = statements.query(select, keyValues);
    if (!rows.empty()) return known[key] = *rows.at(0).integer(0);
    statements.execute(insert, values);
    return *statements.query(select, keyValues).at(0).integer(0);
}

constexpr std::string_view kStationIdSql = "SELECT id FROM stations WHERE name = ?";
constexpr std::string_view kProfileIdSql = "SELECT id FROM profiles WHERE name = ? AND sha256 = ?";

std::int64_t stationId(Statements& statements, KnownRows& known, const std::string& name) {
    return idOf(statements, known.stations, name, std::string(kStationIdSql), {name},
                "INSERT INTO stations (name) VALUES (?) ON CONFLICT (name) DO NOTHING", {name});
}

Value profileId(Statements& statements, KnownRows& known, const std::optional<Profile>& profile) {
    if (!profile) return {};
    Params values{profile->name, profile->sha256};
    appendSetup(values, profile->setup);
    return idOf(statements, known.profiles, std::pair(profile->name, profile->sha256),
                std::string(kProfileIdSql), {profile->name, profile->sha256},
                "INSERT INTO profiles (name, sha256" + joinedSetupColumns("") + ") VALUES (" +
                    placeholders(values.size()) + ") ON CONFLICT (name, sha256) DO NOTHING",
                values);
}

std::vector<std::string> unitColumns() {
    std::vector<std::string> columns{"unit_id",        "time",      "time_ms", "utc_offset_min",
                                     "station_id",     "port",      "device",  "adapter",
                                     "adapter_serial", "profile_id"};
    for (const std::string_view column : kSetupColumns)
        columns.push_back("read_" + std::string(column));
    for (const char* column :
         {"network_id", "node_id", "result", "why", "duration_ms", "adapter_name", "operator_name"})
        columns.emplace_back(column);
    return columns;
}

// Inserts the row, or updates every column but the unit id of the row already there.
const std::string& upsertUnitSql() {
    static const std::string sql = [] {
        const std::vector<std::string> columns = unitColumns();
        std::string names;
        std::string updates;
        for (const std::string& column : columns) {
            names += (names.empty() ? "" : ", ") + column;
            if (column != "unit_id")
                updates += (updates.empty() ? "" : ", ") + column + " = excluded." + column;
        }
        return "INSERT INTO units (" + names + ") VALUES (" + placeholders(columns.size()) +
               ") ON CONFLICT (unit_id) DO UPDATE SET " + updates;
    }();
    return sql;
}

constexpr std::string_view kGiveBackSql = "DELETE FROM node_ids WHERE unit_id = ?";

// Takes an id for the unit and returns it, in one statement: the candidate (the id the module
// holds, else the first of the range) when it is free, else the id after the first taken one
// whose successor is not taken: one walk along the index in id order, which stops at the first
// gap. Pairing each taken id with every other one instead grew with the square of the ids given
// out. Nothing is taken when the range is used up, nor when the candidate is the one this
// adapter was given before. The choice's LIMIT keeps SQLite from copying the choice into both
// the filter and the row, which walked the ids twice and more.
const std::string& takeIdSql() {
    static const std::string sql =
        "INSERT INTO node_ids (network_id, node_id, adapter_serial, unit_id)"
        " SELECT CAST(? AS BIGINT), id, CAST(? AS TEXT), CAST(? AS TEXT) FROM (SELECT COALESCE("
        "  (SELECT CAST(? AS BIGINT) WHERE NOT EXISTS"
        "    (SELECT 1 FROM node_ids WHERE network_id = ? AND node_id = ?)),"
        "  (SELECT CAST(? AS BIGINT) WHERE NOT EXISTS"
        "    (SELECT 1 FROM node_ids WHERE network_id = ? AND node_id = ?)),"
        "  (SELECT node_id + 1 FROM"
        "    (SELECT node_id, LEAD(node_id) OVER (ORDER BY node_id) AS next FROM node_ids"
        "      WHERE network_id = ? AND node_id >= ? AND node_id <= ?) AS taken"
        "    WHERE (next IS NULL OR next > node_id + 1) AND node_id < ?"
        "    ORDER BY node_id LIMIT 1)) AS id LIMIT 1) AS chosen"
        " WHERE id IS NOT NULL AND NOT EXISTS (SELECT 1 FROM node_ids"
        "   WHERE network_id = ? AND node_id = ? AND adapter_serial = ? AND adapter_serial <> '')"
        " RETURNING node_id";
    return sql;
}

constexpr std::string_view kOwnerSql =
    "SELECT adapter_serial FROM node_ids WHERE network_id = ? AND node_id = ?";

// The candidate is the held id when `held`; else this adapter's earlier id is no reason to take
// none.
std::optional<std::uint16_t> takeId(Statements& statements, const NodeIdRange& range,
                                    std::uint16_t candidate, bool held, const UnitRow& unit) {
    const std::int64_t network = range.networkId;
    const std::int64_t first = range.first;
    const std::int64_t last = range.last;
    const auto rows = statements.query(
        takeIdSql(), {network, unit.adapterSerial, unit.unitId, std::int64_t{candidate}, network,
                      std::int64_t{candidate}, first, network, first, network, first, last, last,
                      network, std::int64_t{candidate}, held ? unit.adapterSerial : std::string()});
    if (rows.empty()) return std::nullopt;
    return static_cast<std::uint16_t>(*rows.front().integer(0));
}

// The held id was given to a unit on this same adapter serial before: it keeps it. An adapter
// without a serial cannot be told from another one: its id is never reused.
bool heldBySameAdapter(Statements& statements, const NodeIdRange& range,
                       const std::string& adapterSerial) {
    const auto owners =
        statements.query(kOwnerSql, {std::int64_t{range.networkId}, std::int64_t{*range.held}});
    return !adapterSerial.empty() && !owners.empty() && owners.front().text(0) == adapterSerial;
}

}  // namespace

void storeUnit(Statements& statements, KnownRows& known, const UnitRow& row) {
    Params params;
    params.emplace_back(row.unitId);
    params.emplace_back(row.time.text());
    params.emplace_back(row.time.utcMs);
    params.emplace_back(std::int64_t{row.time.offsetMinutes});
    params.emplace_back(stationId(statements, known, row.station));
    for (const std::string* text : {&row.port, &row.device, &row.adapter, &row.adapterSerial})
        params.emplace_back(*text);
    params.push_back(profileId(statements, known, row.profile));
    appendSetup(params, row.readBack);
    params.push_back(row.networkId ? Value(std::int64_t{*row.networkId}) : Value());
    params.push_back(row.nodeId ? Value(std::int64_t{*row.nodeId}) : Value());
    params.emplace_back(std::string(resultName(row.result)));
    params.emplace_back(row.why);
    params.emplace_back(row.durationMs);
    params.emplace_back(row.adapterName);
    params.emplace_back(row.operatorName);
    statements.execute(upsertUnitSql(), params);
}

std::uint16_t reserveNodeId(Statements& statements, KnownRows& known, const NodeIdRange& range,
                            UnitRow unit) {
    if (range.first > range.last)
        throw RecordError("the node id range " + std::to_string(range.first) + ".." +
                          std::to_string(range.last) +
                          " is empty: give FIRST..LAST, FIRST <= LAST");
    const bool heldInRange = range.held && *range.held >= range.first && *range.held <= range.last;
    // A reused id stays registered to the unit that first took it; giving back or cancelling
    // this unit then never frees it.
    std::optional<std::uint16_t> id =
        takeId(statements, range, heldInRange ? *range.held : range.first, heldInRange, unit);
    if (!id && heldInRange && heldBySameAdapter(statements, range, unit.adapterSerial))
        id = range.held;
    if (!id)
        throw NoNodeIdLeft("no node id left: " + std::to_string(range.first) + ".." +
                           std::to_string(range.last) + " of network id " +
                           std::to_string(range.networkId) + " are all given out");
    unit.networkId = range.networkId;
    unit.nodeId = *id;
    unit.result = Result::kReserved;
    storeUnit(statements, known, unit);
    return *id;
}

void prepareUnitWrites(Statements& statements) {
    for (const std::string_view sql :
         {std::string_view(takeIdSql()), kOwnerSql, kStationIdSql, kProfileIdSql,
          std::string_view(upsertUnitSql()), kGiveBackSql})
        statements.prepare(sql);
}

void giveBackNodeId(Statements& statements, const std::string& unitId) {
    statements.execute(kGiveBackSql, {unitId});
}

void cancelReservation(Statements& statements, const std::string& unitId) {
    giveBackNodeId(statements, unitId);
    statements.execute("DELETE FROM units WHERE unit_id = ? AND result = ?",
                       {unitId, std::string(resultName(Result::kReserved))});
}

}  // namespace record
