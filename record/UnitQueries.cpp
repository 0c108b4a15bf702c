#include "UnitQueries.h"

#include <type_traits>

#include "RecordError.h"

namespace record {
namespace {

struct Where {
    std::string sql;
    Params params;
};

Where where(const UnitFilter& filter) {
    Where clause;
    const auto add = [&clause](std::string_view condition, std::initializer_list<Value> values) {
        clause.sql += (clause.sql.empty() ? " WHERE " : " AND ") + std::string(condition);
        clause.params.insert(clause.params.end(), values);
    };
    if (filter.sinceUtcMs) add("u.time_ms >= ?", {*filter.sinceUtcMs});
    if (filter.station) add("s.name = ?", {*filter.station});
    if (filter.result) add("u.result = ?", {std::string(resultName(*filter.result))});
    if (filter.nodeId) add("u.node_id = ?", {std::int64_t{*filter.nodeId}});
    if (filter.adapter)
        add("(u.adapter_serial = ? OR u.adapter = ?)", {*filter.adapter, *filter.adapter});
    if (filter.operatorName) add("u.operator_name = ?", {*filter.operatorName});
    return clause;
}

std::string setupSelect(std::string_view prefix) {
    std::string text;
    for (const std::string_view column : kSetupColumns)
        text += ", " + std::string(prefix) + std::string(column);
    return text;
}

constexpr std::string_view kFrom =
    " FROM units u JOIN stations s ON s.id = u.station_id"
    " LEFT JOIN profiles p ON p.id = u.profile_id";

template <typename Number>
Number narrow(const ResultRow& row, std::size_t column) {
    return static_cast<Number>(row.integer(column).value_or(0));
}

std::optional<proto::Setup> setupAt(const ResultRow& row, std::size_t first) {
    for (std::size_t i = 0; i < std::size(kSetupColumns); ++i)
        if (!row.cells.at(first + i)) return std::nullopt;
    proto::Setup setup;
    std::size_t column = first;
    proto::forEachSetupField(setup, [&](const proto::SetupKeyNames&, auto& field) {
        field = narrow<std::remove_reference_t<decltype(field)>>(row, column++);
    });
    return setup;
}

template <typename Number>
std::optional<Number> optionalAt(const ResultRow& row, std::size_t column) {
    const auto value = row.integer(column);
    if (!value) return std::nullopt;
    return static_cast<Number>(*value);
}

Result resultAt(const ResultRow& row, std::size_t column) {
    const std::string name = row.text(column);
    const auto result = resultFromName(name);
    if (!result) throw RecordError("the record holds an unknown result '" + name + "'");
    return *result;
}

UnitRow unitAt(const ResultRow& row) {
    constexpr std::size_t kSetupCount = std::size(kSetupColumns);
    constexpr std::size_t kProfileSetup = 11;
    constexpr std::size_t kReadBack = kProfileSetup + kSetupCount;
    constexpr std::size_t kAfter = kReadBack + kSetupCount;
    UnitRow unit;
    unit.unitId = row.text(0);
    unit.time = {*row.integer(1), narrow<int>(row, 2)};
    unit.station = row.text(3);
    unit.port = row.text(4);
    unit.device = row.text(5);
    unit.adapter = row.text(6);
    unit.adapterSerial = row.text(7);
    if (row.cells.at(8)) unit.profile = Profile{row.text(9), row.text(10), {}};
    if (unit.profile) unit.profile->setup = setupAt(row, kProfileSetup).value_or(proto::Setup{});
    unit.readBack = setupAt(row, kReadBack);
    unit.networkId = optionalAt<std::uint16_t>(row, kAfter);
    unit.nodeId = optionalAt<std::uint16_t>(row, kAfter + 1);
    unit.result = resultAt(row, kAfter + 2);
    unit.why = row.text(kAfter + 3);
    unit.durationMs = row.integer(kAfter + 4).value_or(0);
    unit.adapterName = row.text(kAfter + 5);
    unit.operatorName = row.text(kAfter + 6);
    return unit;
}

void count(StationTally& tally, Result result, std::int64_t units) {
    switch (result) {
        case Result::kPass:
            tally.passed += units;
            break;
        case Result::kFail:
            tally.failed += units;
            break;
        case Result::kReserved:
            tally.reserved += units;
            break;
    }
}

}  // namespace

std::optional<double> StationTally::yield() const {
    if (passed + failed == 0) return std::nullopt;
    return static_cast<double>(passed) / static_cast<double>(passed + failed);
}

std::vector<UnitRow> findUnits(Statements& statements, const UnitFilter& filter) {
    const Where clause = where(filter);
    const auto rows = statements.query(
        "SELECT u.unit_id, u.time_ms, u.utc_offset_min, s.name, u.port, u.device, u.adapter,"
        " u.adapter_serial, p.id, p.name, p.sha256" +
            setupSelect("p.") + setupSelect("u.read_") +
            ", u.network_id, u.node_id, u.result, u.why, u.duration_ms, u.adapter_name,"
            " u.operator_name" +
            std::string(kFrom) + clause.sql + " ORDER BY u.time_ms, u.id",
        clause.params);
    std::vector<UnitRow> units;
    units.reserve(rows.size());
    for (const ResultRow& row : rows) units.push_back(unitAt(row));
    return units;
}

Summary summarise(Statements& statements, const UnitFilter& filter) {
    const Where clause = where(filter);
    const auto rows =
        statements.query("SELECT s.name, u.result, COUNT(*)" + std::string(kFrom) + clause.sql +
                             " GROUP BY s.name, u.result ORDER BY s.name",
                         clause.params);
    Summary summary;
    for (const ResultRow& row : rows) {
        const std::string station = row.text(0);
        if (summary.stations.empty() || summary.stations.back().station != station)
            summary.stations.push_back({station});
        const Result result = resultAt(row, 1);
        const std::int64_t units = row.integer(2).value_or(0);
        count(summary.stations.back(), result, units);
        count(summary.line, result, units);
    }
    return summary;
}

}  // namespace record
