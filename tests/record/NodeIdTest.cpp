#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>

#include "LineRecord.h"
#include "TempFolder.h"

namespace {

using record::LineRecord;
using record::NodeIdRange;
using record::Result;
using record::UnitRow;

UnitRow unitOn(const std::string& adapterSerial) {
    UnitRow unit;
    unit.station = "bench-1";
    unit.port = "COM200";
    unit.device = "/dev/pts/7";
    unit.adapter = "0403:6001";
    unit.adapterSerial = adapterSerial;
    return unit;
}

UnitRow finished(UnitRow unit, std::uint16_t nodeId, Result result) {
    unit.networkId = 7;
    unit.nodeId = nodeId;
    unit.result = result;
    unit.why = result == Result::kPass ? "" : "no reply to read setup";
    return unit;
}

std::set<std::uint16_t> nodeIds(const std::vector<UnitRow>& units) {
    std::set<std::uint16_t> ids;
    for (const UnitRow& unit : units) ids.insert(unit.nodeId.value_or(0));
    return ids;
}

TEST(NodeIdsFromSqlite, ForkedWritersSharingOneFileNeverGetTheSameId) {
    TempFolder folder;
    const std::string url = folder.sqliteUrl();
    constexpr int kWriters = 4;
    constexpr int kUnitsEach = 25;
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 0;
            try {
                LineRecord line(url, folder.path() / ("spool-" + std::to_string(w)));
                for (int i = 0; i < kUnitsEach; ++i) {
                    const UnitRow unit = unitOn("W" + std::to_string(w) + "-" + std::to_string(i));
                    const auto id = line.reserveNodeId({7, 1, kWriters * kUnitsEach, {}}, unit);
                    if (line.store(finished(unit, id, Result::kPass)) !=
                        LineRecord::StoredIn::kDatabase)
                        status = 2;
                }
            } catch (const std::exception& error) {
                std::fprintf(stderr, "writer %d: %s\n", w, error.what());
                status = 1;
            }
            _exit(status);
        }
        writers.push_back(pid);
    }
    for (const pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    LineRecord line(url, folder.path() / "spool");
    const auto units = line.units({});
    EXPECT_EQ(units.size(), std::size_t{kWriters * kUnitsEach});
    EXPECT_EQ(nodeIds(units).size(), std::size_t{kWriters * kUnitsEach});
    EXPECT_EQ(*nodeIds(units).rbegin(), kWriters * kUnitsEach);
    EXPECT_THROW(line.reserveNodeId({7, 1, kWriters * kUnitsEach, {}}, unitOn("late")),
                 record::NoNodeIdLeft);
}

TEST(NodeIdsFromSqlite, AGangSharingOneRecordGetsEveryIdOnceAndOnlyTheLateGoWithout) {
    TempFolder folder;
    LineRecord line(folder.sqliteUrl(), folder.path() / "spool");
    constexpr int kGang = 16;
    constexpr int kIds = 12;  // four units of the gang find the range used up
    std::vector<std::optional<std::uint16_t>> ids(kGang);
    std::atomic<int> refused = 0;
    std::vector<std::thread> units;
    for (int u = 0; u < kGang; ++u)
        units.emplace_back([&, u] {
            const UnitRow unit = unitOn("G" + std::to_string(u));
            try {
                ids[u] = line.reserveNodeId({7, 1, kIds, {}}, unit);
                line.store(finished(unit, *ids[u], Result::kPass));
            } catch (const record::NoNodeIdLeft&) {
                ++refused;
            }
        });
    for (std::thread& unit : units) unit.join();
    EXPECT_EQ(refused, kGang - kIds);
    std::set<std::uint16_t> given;
    for (const auto& id : ids)
        if (id) given.insert(*id);
    EXPECT_EQ(given.size(), std::size_t{kIds});
    EXPECT_EQ(nodeIds(line.units({.result = Result::kPass})), given);
    EXPECT_TRUE(line.units({.result = Result::kReserved}).empty());
}

// Ids 10 and 11 of network 7 are given out before each case: 10 to adapter "A" (passed), 11 to
// adapter "" (no serial). The case then asks for an id of 10..12 for a unit.
struct HeldIdCase {
    const char* name;
    const char* adapterSerial;
    std::optional<std::uint16_t> held;
    std::uint16_t expected;
};

class KeepNodeId : public testing::TestWithParam<HeldIdCase> {};

TEST_P(KeepNodeId, KeepsTheModulesIdOnlyWhenFreeOrItsOwn) {
    const HeldIdCase& row = GetParam();
    TempFolder folder;
    LineRecord line(folder.sqliteUrl(), folder.path() / "spool");
    const UnitRow first = unitOn("A");
    ASSERT_EQ(line.reserveNodeId({7, 10, 12, {}}, first), 10);
    line.store(finished(first, 10, Result::kPass));
    ASSERT_EQ(line.reserveNodeId({7, 10, 12, {}}, unitOn("")), 11);

    const UnitRow unit = unitOn(row.adapterSerial);
    EXPECT_EQ(line.reserveNodeId({7, 10, 12, row.held}, unit), row.expected);
    // Giving the id back frees 12 in every case, and never the reused 10 that belongs to the
    // first unit.
    line.store(finished(unit, row.expected, Result::kFail), true);
    EXPECT_EQ(line.reserveNodeId({7, 10, 12, {}}, unitOn("B")), 12);
    const auto failed = line.units({.result = Result::kFail});
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed.front().nodeId, row.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeepNodeId,
                         testing::Values(HeldIdCase{"NoKeep", "C", std::nullopt, 12},
                                         HeldIdCase{"NoKeepOnTheFirstIdsAdapter", "A", std::nullopt,
                                                    12},
                                         HeldIdCase{"HeldAndFree", "C", 12, 12},
                                         HeldIdCase{"HeldBySameAdapter", "A", 10, 10},
                                         HeldIdCase{"HeldByAnotherAdapter", "C", 10, 12},
                                         HeldIdCase{"HeldWithoutSerial", "", 11, 12},
                                         HeldIdCase{"HeldOutsideRange", "A", 30, 12}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
