#include <gtest/gtest.h>

#include <algorithm>

#include "Connection.h"
#include "LineRecord.h"
#include "Schema.h"
#include "TempFolder.h"

namespace {

using record::LineRecord;
using record::Result;
using record::UnitFilter;
using record::UnitRow;

constexpr std::int64_t kMorning = 1'796'000'000'000;  // a shift's start, in UTC ms

// Five units, as two stations record them: the table every filter below runs against.
std::vector<UnitRow> shift() {
    struct Unit {
        const char* station;
        const char* serial;
        std::uint16_t nodeId;
        Result result;
        std::int64_t minutesIn;
    };
    const Unit units[] = {{"bench-1", "A1", 301, Result::kPass, 0},
                          {"bench-1", "A2", 302, Result::kFail, 10},
                          {"bench-2", "B1", 303, Result::kPass, 20},
                          {"bench-2", "B2", 304, Result::kPass, 30},
                          {"bench-2", "B3", 305, Result::kReserved, 40}};
    std::vector<UnitRow> rows;
    for (const Unit& unit : units) {
        UnitRow row;
        row.time = {kMorning + unit.minutesIn * 60'000, 60};
        row.station = unit.station;
        row.port = "COM33";
        row.device = "/dev/ttyUSB0";
        row.adapter = unit.station == std::string("bench-1") ? "0403:6001" : "10c4:ea60";
        row.adapterSerial = unit.serial;
        row.profile = record::Profile{"line.toml", std::string(64, 'a'), {.nodeId = 0}};
        row.readBack = proto::Setup{.frequencyRegister = 7110656, .nodeId = unit.nodeId};
        row.networkId = 1;
        row.nodeId = unit.nodeId;
        row.result = unit.result;
        row.durationMs = 812;
        rows.push_back(row);
    }
    return rows;
}

struct FilterCase {
    const char* name;
    UnitFilter filter;
    std::vector<const char*> serials;  // of the units found, in order
    record::StationTally line;
};

class UnitsFilter : public testing::TestWithParam<FilterCase> {};

TEST_P(UnitsFilter, FindsTheUnitsAndCountsThem) {
    TempFolder folder;
    LineRecord line(folder.sqliteUrl(), folder.path() / "spool");
    const auto rows = shift();
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) line.store(*row);

    const auto found = line.units(GetParam().filter);
    std::vector<std::string> serials;
    for (const UnitRow& unit : found) serials.push_back(unit.adapterSerial);
    EXPECT_EQ(serials,
              std::vector<std::string>(GetParam().serials.begin(), GetParam().serials.end()));
    for (const UnitRow& unit : found) {
        const auto stored = std::find_if(rows.begin(), rows.end(), [&](const UnitRow& row) {
            return row.unitId == unit.unitId;
        });
        ASSERT_NE(stored, rows.end());
        EXPECT_EQ(unit, *stored) << "a row does not read back as it was stored";
    }
    const record::Summary summary = line.summary(GetParam().filter);
    EXPECT_EQ(summary.line, GetParam().line);
    record::StationTally sum{""};
    for (const auto& station : summary.stations) {
        sum.passed += station.passed;
        sum.failed += station.failed;
        sum.reserved += station.reserved;
    }
    EXPECT_EQ(sum, GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, UnitsFilter,
    testing::Values(
        FilterCase{"All", {}, {"A1", "A2", "B1", "B2", "B3"}, {"", 3, 1, 1}},
        FilterCase{
            "Since", {.sinceUtcMs = kMorning + 20 * 60'000}, {"B1", "B2", "B3"}, {"", 2, 0, 1}},
        FilterCase{"Station", {.station = "bench-1"}, {"A1", "A2"}, {"", 1, 1, 0}},
        FilterCase{"Result", {.result = Result::kPass}, {"A1", "B1", "B2"}, {"", 3, 0, 0}},
        FilterCase{"NodeId", {.nodeId = 304}, {"B2"}, {"", 1, 0, 0}},
        FilterCase{"AdapterSerial", {.adapter = "A2"}, {"A2"}, {"", 0, 1, 0}},
        FilterCase{"AdapterModel", {.adapter = "0403:6001"}, {"A1", "A2"}, {"", 1, 1, 0}},
        FilterCase{"Together",
                   {.station = "bench-2", .result = Result::kPass, .nodeId = 303},
                   {"B1"},
                   {"", 1, 0, 0}},
        FilterCase{"Nothing", {.station = "bench-9"}, {}, {"", 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnitsSummary, GivesEachStationItsYield) {
    TempFolder folder;
    LineRecord line(folder.sqliteUrl(), folder.path() / "spool");
    for (const UnitRow& row : shift()) line.store(row);
    const record::Summary summary = line.summary({});
    ASSERT_EQ(summary.stations.size(), 2u);
    EXPECT_EQ(summary.stations[0], (record::StationTally{"bench-1", 1, 1, 0}));
    EXPECT_EQ(summary.stations[1], (record::StationTally{"bench-2", 2, 0, 1}));
    EXPECT_DOUBLE_EQ(summary.stations[0].yield().value(), 0.5);
    EXPECT_DOUBLE_EQ(summary.stations[1].yield().value(), 1.0);
    EXPECT_DOUBLE_EQ(summary.line.yield().value(), 0.75);
    EXPECT_FALSE(record::StationTally{}.yield().has_value());
}

TEST(RecordSchema, AnOlderRecordIsBroughtUpToDateAndItsRowsKept) {
    TempFolder folder;
    const auto url = record::parseRecordUrl(folder.sqliteUrl());
    {
        auto connection = record::connect(url);
        record::migrate(*connection, 1);
        // A row written by a tool that knew only the first version.
        connection->transact(record::Connection::Access::kWrite, [](record::Statements& sql) {
            EXPECT_EQ(record::schemaVersion(sql), 1);
            sql.execute("INSERT INTO stations (name) VALUES ('old')");
        });
    }
    LineRecord line(folder.sqliteUrl(), folder.path() / "spool");
    UnitRow unit = shift().front();
    unit.adapterName = "FT232R USB UART";
    line.store(unit);
    EXPECT_EQ(line.units({}), std::vector<UnitRow>{unit});
    auto connection = record::connect(url);
    connection->transact(record::Connection::Access::kRead, [](record::Statements& sql) {
        EXPECT_EQ(record::schemaVersion(sql), record::kSchemaVersion);
        EXPECT_EQ(sql.query("SELECT name FROM stations ORDER BY id").size(), 2u);
        EXPECT_EQ(sql.query("SELECT name FROM sqlite_master WHERE name = 'units_by_time'").size(),
                  1u);
    });
}

TEST(RecordSchema, ARecordFromANewerToolIsRefusedAndNotTouched) {
    TempFolder folder;
    {
        auto connection = record::connect(record::parseRecordUrl(folder.sqliteUrl()));
        record::migrate(*connection);
        connection->transact(record::Connection::Access::kWrite, [](record::Statements& sql) {
            sql.execute("UPDATE schema_version SET version = 99");
        });
    }
    LineRecord line(folder.sqliteUrl(), folder.path() / "spool");
    EXPECT_FALSE(line.ready());
    EXPECT_NE(line.downReason().find("newer meshcfg"), std::string::npos) << line.downReason();
    EXPECT_THROW(line.units({}), record::RecordError);
}

}  // namespace
