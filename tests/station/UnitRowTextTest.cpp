// A unit's row prints alike whether the unit was just done or is listed from the line's record:
// its report row, its line and its JSON keep every column through the record.

#include <gtest/gtest.h>

#include "LineRecord.h"
#include "TempFolder.h"
#include "UnitRowText.h"

namespace {

constexpr std::int64_t kMorning = 1'796'000'000'000;  // a shift's start, in UTC ms

struct RowCase {
    const char* name;
    record::Result result;
    const char* why;
    const char* adapterSerial;
    bool readBack;
};

record::UnitRow rowOf(const RowCase& unit) {
    record::UnitRow row;
    row.time = {kMorning, -210};
    row.station = "bench-1";
    row.port = "COM150";
    row.device = "/dev/ttyUSB0";
    row.adapter = "0403:6001";
    row.adapterSerial = unit.adapterSerial;
    row.adapterName = "FT232R USB UART, FTDI";
    row.profile = record::Profile{"line,\"A\".toml", std::string(64, 'c'), {.networkId = 2}};
    if (unit.readBack) row.readBack = proto::Setup{.frequencyRegister = 7110656, .nodeId = 12};
    row.networkId = 2;
    if (unit.result != record::Result::kFail) row.nodeId = 12;
    row.result = unit.result;
    row.why = unit.why;
    row.durationMs = 840;
    return row;
}

class UnitRowPrinted : public testing::TestWithParam<RowCase> {};

TEST_P(UnitRowPrinted, AlikeJustDoneAndFromTheRecord) {
    const record::UnitRow done = rowOf(GetParam());
    TempFolder folder;
    record::LineRecord line(folder.sqliteUrl(), folder.path() / "spool");
    ASSERT_EQ(line.store(done), record::LineRecord::StoredIn::kDatabase);
    const std::vector<record::UnitRow> listed = line.units({});
    ASSERT_EQ(listed.size(), 1u);

    EXPECT_EQ(station::reportLine(listed.front(), listed.front().time),
              station::reportLine(done, done.time));
    EXPECT_EQ(station::unitLine(listed.front()), station::unitLine(done));
    EXPECT_EQ(station::unitJson(listed.front()).dump(), station::unitJson(done).dump());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnitRowPrinted,
    testing::Values(RowCase{"Passed", record::Result::kPass, "", "A1B2C3", true},
                    RowCase{"FailedWithTextsToQuote", record::Result::kFail,
                            "COM150: no reply, \"busy\"\nretry", "\x01serial", false},
                    RowCase{"Reserved", record::Result::kReserved, "", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
