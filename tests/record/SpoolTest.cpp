#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "LineRecord.h"
#include "SpoolEntry.h"
#include "TempFolder.h"

namespace {

using record::LineRecord;
using record::Result;
using record::UnitRow;

UnitRow passedUnit(const std::string& serial, std::uint16_t nodeId) {
    UnitRow row;
    row.station = "bench-1";
    row.port = "COM200";
    row.device = "/dev/pts/3";
    row.adapterSerial = serial;
    row.readBack = proto::Setup{.networkId = 3, .nodeId = nodeId};
    row.networkId = 3;
    row.nodeId = nodeId;
    row.result = Result::kPass;
    return row;
}

std::vector<std::string> spooledLines(const record::Spool& spool) {
    std::vector<std::string> lines;
    struct KeepTheLines {};
    try {
        record::Spool(spool.path()).drain([&](const auto& all) {
            lines = all;
            throw KeepTheLines{};
        });
    } catch (const KeepTheLines&) {
    }
    return lines;
}

TEST(SpoolEntries, ReadBackAsWritten) {
    UnitRow full = passedUnit("FT123", 42);
    full.time = {1'796'000'000'123, -330};
    full.adapter = "0403:6001";
    full.adapterName = "FT232R USB UART, 0403:6001";
    full.profile = record::Profile{
        "line, \"A\".toml", std::string(64, 'f'), {.frequencyRegister = 0xFFFFFF, .nodeId = 65535}};
    full.why = "read back \xff differs\nnode_id";
    UnitRow bare = passedUnit("", 1);
    bare.readBack.reset();
    bare.networkId.reset();
    bare.nodeId.reset();
    bare.result = Result::kReserved;
    const record::SpoolEntry entries[] = {record::StoreUnit{full, true},
                                          record::StoreUnit{bare, false},
                                          record::CancelReservation{"c0ffee"}};
    for (const auto& entry : entries) {
        const std::string line = record::spoolLine(entry);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        auto back = record::spoolEntry(line);
        // A byte that is no UTF-8 becomes U+FFFD rather than costing the row.
        if (auto* store = std::get_if<record::StoreUnit>(&back); store && store->giveBackNodeId) {
            EXPECT_EQ(store->row.why, "read back \xef\xbf\xbd differs\nnode_id");
            store->row.why = full.why;
        }
        EXPECT_EQ(back, entry) << line;
    }
    EXPECT_THROW(record::spoolEntry("{\"store\": 1}"), record::RecordError);
    EXPECT_THROW(record::spoolEntry("not json"), record::RecordError);
}

struct BadFieldCase {
    const char* name;
    const char* pointer;  // where in the line
    nlohmann::json value;
    const char* says;
};

class SpooledField : public testing::TestWithParam<BadFieldCase> {};

TEST_P(SpooledField, OutsideItsRangeIsRefusedNotCutToFit) {
    UnitRow row = passedUnit("FT123", 42);
    row.time = {1'796'000'000'123, 60};
    nlohmann::json line = nlohmann::json::parse(record::spoolLine(record::StoreUnit{row, false}));
    line[nlohmann::json::json_pointer(GetParam().pointer)] = GetParam().value;
    try {
        record::spoolEntry(line.dump());
        FAIL() << "taken: " << line.dump();
    } catch (const record::RecordError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().says), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, SpooledField,
    testing::Values(
        BadFieldCase{"NodeIdTooLarge", "/store/node_id", 70000, "node_id 70000"},
        BadFieldCase{"NetworkIdNegative", "/store/network_id", -1, "network_id -1"},
        BadFieldCase{"NodeIdNotWhole", "/store/node_id", 1.5, "node_id 1.5"},
        BadFieldCase{"ReadBackNodeIdTooLarge", "/store/read_back/4", 65536, "node_id 65536"},
        BadFieldCase{"ReadBackPowerTooLarge", "/store/read_back/1", 256, "power 256"},
        BadFieldCase{"FrequencyTooLarge", "/store/read_back/0", 4294967296,
                     "frequency_register 4294967296"},
        BadFieldCase{"OffsetTooLarge", "/store/utc_offset_min", 3000000000,
                     "utc_offset_min 3000000000"},
        BadFieldCase{"DurationAsText", "/store/duration_ms", "12", "duration_ms \"12\""},
        BadFieldCase{"UnknownResult", "/store/result", "DONE", "result \"DONE\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SpoolFile, DropsALineCutOffByACrashBeforeTheNextOne) {
    TempFolder folder;
    record::Spool spool(folder.path() / "spool");
    spool.append("first");
    std::ofstream(spool.path(), std::ios::app) << "{\"store\": {\"unit_i";
    spool.append("second");
    EXPECT_EQ(spooledLines(spool), (std::vector<std::string>{"first", "second"}));
    spool.drain([](const auto&) {});
    EXPECT_TRUE(spool.empty());
}

TEST(SpoolWhileDown, KeepsEveryRowAndStoresItOnceInOrderWhenTheDatabaseIsBack) {
    TempFolder folder;
    // The record's folder is missing, as a server that is down: the file cannot be opened.
    const auto url = "sqlite://" + (folder.path() / "line" / "line.db").string();
    LineRecord line(url, folder.path() / "spool");

    EXPECT_THROW(line.reserveNodeId({3, 1, 9, {}}, passedUnit("X", 0)), record::DatabaseDown);
    const UnitRow rows[] = {passedUnit("S1", 5), passedUnit("S2", 6), passedUnit("S3", 7)};
    for (const UnitRow& row : rows) EXPECT_EQ(line.store(row), LineRecord::StoredIn::kSpool);
    EXPECT_FALSE(line.ready());
    EXPECT_NE(line.downReason().find("line.db"), std::string::npos) << line.downReason();
    const auto spooled = spooledLines(record::Spool(folder.path() / "spool"));
    ASSERT_EQ(spooled.size(), 4u);  // the cancelled reservation, then the three rows

    std::filesystem::create_directory(folder.path() / "line");
    EXPECT_TRUE(line.ready());
    EXPECT_TRUE(record::Spool(folder.path() / "spool").empty());
    // A crash after the rows were stored and before the spool was emptied: they come again.
    for (const std::string& again : spooled) record::Spool(folder.path() / "spool").append(again);
    EXPECT_TRUE(line.ready());

    const auto stored = line.units({});
    ASSERT_EQ(stored.size(), std::size(rows));
    for (std::size_t i = 0; i < stored.size(); ++i) EXPECT_EQ(stored[i], rows[i]);
    EXPECT_EQ(line.reserveNodeId({3, 1, 9, {}}, passedUnit("X", 0)), 1);
    EXPECT_EQ(line.store(passedUnit("S4", 8)), LineRecord::StoredIn::kDatabase);
}

}  // namespace
