// The station's node ids from the line's record: a unit that keeps its module's id or is given
// another makes one reservation, and an id given back is free for the next unit.

#include <gtest/gtest.h>

#include "LineRecord.h"
#include "TempFolder.h"
#include "UnitRecord.h"

namespace {

record::UnitRow draftOn(const std::string& adapterSerial) {
    record::UnitRow unit;
    unit.station = "bench-1";
    unit.port = "COM200";
    unit.adapterSerial = adapterSerial;
    return unit;
}

// Id 10 of 10..12 belongs to adapter "A" before each case.
struct KeepCase {
    const char* name;
    const char* adapterSerial;
    std::optional<std::uint16_t> held;  // the module's id under --keep-node-id
    bool kept;
    std::uint16_t given;
};

class RecordIdsKeep : public testing::TestWithParam<KeepCase> {};

TEST_P(RecordIdsKeep, MakesOneReservationPerUnit) {
    const KeepCase& row = GetParam();
    TempFolder folder;
    record::LineRecord line(folder.sqliteUrl(), folder.path() / "spool");
    station::RecordIds ids(line, {10, 12}, 7);
    ids.begin("first", draftOn("A"));
    ASSERT_EQ(ids.reserve("first"), 10);
    ids.end("first");

    ids.begin("unit", draftOn(row.adapterSerial));
    if (row.held) {
        EXPECT_EQ(ids.keep(*row.held, {"unit", true}), row.kept);
    }
    if (!row.kept) {
        EXPECT_EQ(ids.reserve("unit"), row.given);
    }
    EXPECT_FALSE(ids.end("unit"));
    const auto reserved = line.units({.result = record::Result::kReserved});
    ASSERT_EQ(reserved.size(), 2u) << "one row for each unit";
    EXPECT_EQ(reserved.back().nodeId, row.given);
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordIdsKeep,
                         testing::Values(KeepCase{"NoKeep", "B", std::nullopt, false, 11},
                                         KeepCase{"OwnId", "A", 10, true, 10},
                                         KeepCase{"FreeId", "B", 12, true, 12},
                                         KeepCase{"AnothersId", "B", 10, false, 11},
                                         KeepCase{"OutsideTheRange", "B", 30, false, 11}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RecordIdsGiveBack, AnIdWhoseWriteNeverWentOutIsTheNextUnitsAndTheLastOneLeftRunsOut) {
    TempFolder folder;
    record::LineRecord line(folder.sqliteUrl(), folder.path() / "spool");
    station::RecordIds ids(line, {10, 10}, 7);
    record::UnitRow cut = draftOn("A");
    ids.begin("cut", cut);
    const auto id = ids.reserve("cut");
    ASSERT_EQ(id, 10);
    ids.giveBack(*id, "cut");
    ASSERT_TRUE(ids.end("cut"));
    cut.result = record::Result::kFail;
    line.store(cut, true);

    ids.begin("next", draftOn("B"));
    EXPECT_EQ(ids.reserve("next"), 10);
    ids.begin("late", draftOn("C"));
    EXPECT_EQ(ids.reserve("late"), std::nullopt);
}

// A unit's row where the record is at hand, and where it is out of reach.
struct StoredCase {
    const char* name;
    bool reachable;
};

class UnitRecordStore : public testing::TestWithParam<StoredCase> {};

TEST_P(UnitRecordStore, SaysWhenTheRowIsLeftInTheSpool) {
    TempFolder folder;
    station::StationOptions options;
    options.dbUrl = GetParam().reachable
                        ? folder.sqliteUrl()
                        : "sqlite://" + (folder.path() / "unmounted" / "line.db").string();
    options.spoolPath = (folder.path() / "spool.jsonl").string();
    station::UnitRecord record(options);
    station::UnitOutcome outcome;
    ports::PortTarget target;
    target.name = "COM150";
    target.device = "/dev/pts/3";
    outcome.row = station::unitDraft(target, std::nullopt, std::nullopt);
    outcome.row.result = record::Result::kPass;
    record.begin("COM150", outcome.row);
    const std::string said = record.store("COM150", outcome);
    EXPECT_TRUE(outcome.passed()) << outcome.row.why;
    if (GetParam().reachable) {
        EXPECT_EQ(said, "");
    } else {
        EXPECT_NE(said.find("unmounted/line.db"), std::string::npos) << said;
        EXPECT_NE(said.find("waits in " + options.spoolPath), std::string::npos) << said;
        EXPECT_FALSE(record::Spool(options.spoolPath).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Records, UnitRecordStore,
                         testing::Values(StoredCase{"Reachable", true},
                                         StoredCase{"OutOfReach", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
