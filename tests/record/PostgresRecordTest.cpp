#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <set>
#include <vector>

#include "LineRecord.h"
#include "PostgresServer.h"
#include "TempFolder.h"

namespace {

using record::LineRecord;
using record::Result;
using record::UnitRow;

class PostgresRecord : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!PostgresServer::available()) return;
        server = new PostgresServer;
        ASSERT_TRUE(server->start());
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        if (!server) GTEST_SKIP() << "PostgreSQL 15 is not installed";
    }

    static PostgresServer* server;
};
PostgresServer* PostgresRecord::server = nullptr;

UnitRow unitAt(const std::string& station, int number) {
    UnitRow unit;
    unit.station = station;
    unit.port = "COM" + std::to_string(200 + number % 16);
    unit.device = "/dev/pts/" + std::to_string(number % 16);
    unit.adapterSerial = station + "-" + std::to_string(number);
    return unit;
}

// One station: takes an id for each unit, then stores its row; every tenth unit fails.
int runStation(const std::string& url, const std::string& spool, const std::string& station,
               int units) {
    try {
        LineRecord line(url, spool);
        for (int i = 0; i < units; ++i) {
            UnitRow unit = unitAt(station, i);
            unit.networkId = 9;
            unit.nodeId = line.reserveNodeId({9, 100, 999, {}}, unit);
            unit.result = i % 10 == 9 ? Result::kFail : Result::kPass;
            if (line.store(unit) != LineRecord::StoredIn::kDatabase) return 2;
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", station.c_str(), error.what());
        return 1;
    }
}

TEST_F(PostgresRecord, TwoStationsAtOnceGiveEveryUnitItsOwnId) {
    constexpr int kUnitsEach = 100;
    std::vector<pid_t> stations;
    for (const char* name : {"pg-a", "pg-b"}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            _exit(runStation(server->url(), (server->folder().path() / name).string(), name,
                             kUnitsEach));
        stations.push_back(pid);
    }
    for (const pid_t pid : stations) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    LineRecord line(server->url(), server->folder().path() / "reader");
    const auto units = line.units({.station = std::nullopt});
    std::size_t ours = 0;
    std::set<std::uint16_t> ids;
    for (const UnitRow& unit : units) {
        if (unit.station != "pg-a" && unit.station != "pg-b") continue;
        ++ours;
        ids.insert(unit.nodeId.value_or(0));
    }
    EXPECT_EQ(ours, std::size_t{2 * kUnitsEach});
    EXPECT_EQ(ids.size(), std::size_t{2 * kUnitsEach});
    EXPECT_EQ(*ids.begin(), 100);
    EXPECT_EQ(*ids.rbegin(), 100 + 2 * kUnitsEach - 1);
    for (const char* name : {"pg-a", "pg-b"}) {
        const auto summary = line.summary({.station = name});
        ASSERT_EQ(summary.stations.size(), 1u);
        EXPECT_EQ(summary.stations[0], (record::StationTally{name, 90, 10, 0}));
        EXPECT_DOUBLE_EQ(summary.line.yield().value(), 0.9);
    }
}

TEST_F(PostgresRecord, AServerStoppedMidRunLosesAndDoublesNothing) {
    const auto spool = server->folder().path() / "restart-spool";
    LineRecord line(server->url(), spool);
    std::vector<UnitRow> started;
    for (int i = 0; i < 5; ++i) {
        UnitRow unit = unitAt("pg-restart", i);
        unit.networkId = 4;
        unit.nodeId = line.reserveNodeId({4, 1, 50, {}}, unit);
        started.push_back(unit);
    }
    started[0].result = Result::kPass;
    EXPECT_EQ(line.store(started[0]), LineRecord::StoredIn::kDatabase);

    ASSERT_TRUE(server->stop());
    for (std::size_t i = 1; i < started.size(); ++i) {
        started[i].result = Result::kPass;
        EXPECT_EQ(line.store(started[i]), LineRecord::StoredIn::kSpool);
    }
    EXPECT_THROW(line.reserveNodeId({4, 1, 50, {}}, unitAt("pg-restart", 9)), record::DatabaseDown);
    EXPECT_FALSE(line.ready());
    EXPECT_FALSE(line.downReason().empty());

    ASSERT_TRUE(server->start());
    EXPECT_TRUE(line.ready()) << line.downReason();
    EXPECT_TRUE(record::Spool(spool).empty());
    EXPECT_EQ(line.units({.station = "pg-restart"}), started);
    // The reservation refused while the server was down took no id.
    EXPECT_EQ(line.reserveNodeId({4, 1, 50, {}}, unitAt("pg-restart", 10)), 6);
}

TEST_F(PostgresRecord, AReaderOfADatabaseWithoutARecordMakesNone) {
    ASSERT_TRUE(server->createDatabase("no_record"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            LineRecord(server->url("no_record")).units({});
            FAIL() << "a record was read, or made";
        } catch (const record::DatabaseDown& error) {
            EXPECT_NE(std::string(error.what()).find("/no_record: no record there"),
                      std::string::npos)
                << error.what();
        }
    }
}

// A device name or a why need not be UTF-8; a server that takes only UTF-8 still keeps the row,
// with each stray byte written out as the commands print it.
TEST_F(PostgresRecord, TextThatIsNotUtf8IsStoredInBothEngines) {
    TempFolder folder;
    for (const std::string& url : {folder.sqliteUrl(), server->url()}) {
        SCOPED_TRACE(url);
        LineRecord line(url, folder.path() / "utf8-spool");
        UnitRow unit = unitAt("utf8-\xff", 1);
        unit.device = "/dev/tty\xc3";
        unit.why = "read back \xff differs";
        unit.result = Result::kFail;
        ASSERT_EQ(line.store(unit), LineRecord::StoredIn::kDatabase) << line.downReason();
        const std::vector<UnitRow> rows = line.units({.station = "utf8-\\xFF"});
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].device, "/dev/tty\\xC3");
        EXPECT_EQ(rows[0].why, "read back \\xFF differs");
    }
}

// Ids taken in a network of the case's own before it (a neighbouring network holds 10 and 11),
// then the id a unit asking for 10..20 gets, or nothing when the range is used up.
struct NextIdCase {
    const char* name;
    std::vector<std::uint16_t> taken;
    std::optional<std::uint16_t> expected;
};

std::vector<std::uint16_t> idsFrom(std::uint16_t first, std::uint16_t last) {
    std::vector<std::uint16_t> ids;
    for (int id = first; id <= last; ++id) ids.push_back(static_cast<std::uint16_t>(id));
    return ids;
}

const NextIdCase kNextIdCases[] = {
    {"NoneTaken", {}, 10},
    {"FirstFewTaken", {10, 11, 12}, 13},
    {"GapInTheMiddle", {10, 11, 13, 14}, 12},
    {"FirstFreeOthersTaken", {11, 12}, 10},
    {"BelowTheRangeDoesNotCount", {5, 6, 9}, 10},
    {"OnlyTheLastFree", idsFrom(10, 19), 20},
    {"RangeUsedUp", idsFrom(10, 20), std::nullopt},
};

TEST_F(PostgresRecord, NextIdIsTheLowestFreeOfTheRangeInBothEngines) {
    TempFolder folder;
    for (const std::string& url : {folder.sqliteUrl(), server->url()}) {
        LineRecord line(url, folder.path() / "next-id-spool");
        std::uint16_t network = 100;
        for (const NextIdCase& row : kNextIdCases) {
            SCOPED_TRACE(url + " " + row.name);
            network += 2;
            for (const std::uint16_t id : row.taken)
                ASSERT_EQ(line.reserveNodeId({network, id, id, {}}, unitAt("next-id", id)), id);
            for (const std::uint16_t id : {10, 11})
                line.reserveNodeId({static_cast<std::uint16_t>(network + 1), id, id, {}},
                                   unitAt("next-id", id));
            const UnitRow unit = unitAt("next-id", 99);
            if (row.expected)
                EXPECT_EQ(line.reserveNodeId({network, 10, 20, {}}, unit), *row.expected);
            else
                EXPECT_THROW(line.reserveNodeId({network, 10, 20, {}}, unit), record::NoNodeIdLeft);
        }
    }
}

}  // namespace
