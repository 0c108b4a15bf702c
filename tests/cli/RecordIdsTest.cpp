// The command line's node ids from the line's record: a unit that keeps its module's id or is
// given another makes one reservation, an id given back is free for the next unit, and --since
// reads the forms the man page gives.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "Commands.h"
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
    RecordIds ids(line, {10, 12}, 7);
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
    RecordIds ids(line, {10, 10}, 7);
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
    StationOptions options;
    options.dbUrl = GetParam().reachable
                        ? folder.sqliteUrl()
                        : "sqlite://" + (folder.path() / "unmounted" / "line.db").string();
    options.spoolPath = (folder.path() / "spool.jsonl").string();
    UnitRecord record(options, SettingChanges{});
    record.begin("COM150", PortIdentity{"COM150", "/dev/pts/3", {}}, std::nullopt);
    UnitOutcome outcome;
    const std::string said = record.store("COM150", outcome);
    EXPECT_TRUE(outcome.passed()) << outcome.why;
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

struct SinceCase {
    const char* text;
    std::optional<std::int64_t> msBeforeNow;  // for the relative forms
    bool accepted;
};

class SinceOption : public testing::TestWithParam<SinceCase> {};

TEST_P(SinceOption, ReadsRelativeAndLocalTimes) {
    const SinceCase& row = GetParam();
    const auto now =
        std::chrono::system_clock::time_point(std::chrono::milliseconds(1'796'000'000'000));
    const auto nowMs = std::int64_t{1'796'000'000'000};
    const auto since = sinceUtcMs(row.text, now);
    ASSERT_EQ(since.has_value(), row.accepted) << row.text;
    if (row.msBeforeNow) EXPECT_EQ(nowMs - *since, *row.msBeforeNow) << row.text;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SinceOption,
    testing::Values(
        SinceCase{"90m", 90 * 60'000, true}, SinceCase{"8h", 8 * 3'600'000, true},
        SinceCase{"2d", 2 * 86'400'000, true}, SinceCase{"0h", 0, true},
        SinceCase{"2026-12-08", std::nullopt, true},
        SinceCase{"2026-12-08 06:00", std::nullopt, true},
        SinceCase{"2026-12-08 06:00:30", std::nullopt, true}, SinceCase{"h", std::nullopt, false},
        SinceCase{"-2h", std::nullopt, false}, SinceCase{"2w", std::nullopt, false},
        SinceCase{"99999999999d", std::nullopt, false},
        SinceCase{"2026-12-08x", std::nullopt, false}, SinceCase{"2026-02-30", std::nullopt, false},
        SinceCase{"2026-02-29", std::nullopt, false}, SinceCase{"2028-02-29", std::nullopt, true},
        SinceCase{"2026-04-31 06:00", std::nullopt, false},
        SinceCase{"2026-12-31 23:59:59", std::nullopt, true},
        SinceCase{"2026-13-01", std::nullopt, false},
        SinceCase{"2026-12-08 24:00", std::nullopt, false},
        SinceCase{"yesterday", std::nullopt, false}));

TEST(SinceOption, ADateIsLocalMidnight) {
    std::tm midnight{};
    midnight.tm_year = 2026 - 1900;
    midnight.tm_mon = 11;
    midnight.tm_mday = 8;
    midnight.tm_isdst = -1;
    const std::int64_t expected = std::int64_t{std::mktime(&midnight)} * 1000;
    EXPECT_EQ(sinceUtcMs("2026-12-08", std::chrono::system_clock::now()), expected);
    EXPECT_EQ(sinceUtcMs("2026-12-08 06:00", std::chrono::system_clock::now()),
              expected + 6 * 3'600'000);
}

}  // namespace
