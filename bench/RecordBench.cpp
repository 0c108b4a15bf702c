// The cost the line's record adds to each unit: a node id taken and the unit's row stored, in
// SQLite and in PostgreSQL on loopback (a server of the bench's own that syncs every commit),
// beside the CSV report row every unit already costs. One unit at a time, then gangs of 16
// units at once (their writes share commits). Interleaved in blocks so that the shared
// machine's noise falls on all of them alike; one disk sync is timed too, since every commit
// waits for at least one.

#include <fcntl.h>
#include <unistd.h>

#include <barrier>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "LineRecord.h"
#include "PostgresServer.h"
#include "Stats.h"
#include "Table.h"
#include "TempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBlocks = 20;
constexpr int kUnitsPerBlock = 10;
constexpr int kGang = 16;
constexpr int kGangs = 5;
constexpr double kTargetMs = 5.0;  // keeps a 16-unit gang within its time

record::UnitRow unit(int number) {
    record::UnitRow row;
    row.station = "bench-station";
    row.port = "COM" + std::to_string(200 + number % 16);
    row.device = "/dev/pts/" + std::to_string(number % 16);
    row.adapter = "0403:6001";
    row.adapterSerial = "FT" + std::to_string(100000 + number);
    row.profile = record::Profile{"line.toml", std::string(64, 'c'), {}};
    row.readBack = proto::Setup{};
    row.result = record::Result::kPass;
    row.durationMs = 700;
    return row;
}

// What the report writes per unit: one row appended to the file, which is closed again.
void appendCsvRow(const std::string& path, const record::UnitRow& row) {
    std::ofstream file(path, std::ios::app);
    file << row.time.text() << "," << row.port << "," << row.device << "," << row.adapter
         << ",434.00,7,1h,1,2,9600,none,PASS,," << row.station << "," << row.adapterSerial
         << ",line.toml," << row.profile->sha256 << "," << row.durationMs << "\n";
}

// The station's calls for one unit: the id before the module is written, the row after.
void recordUnit(record::LineRecord& line, int number) {
    record::UnitRow row = unit(number);
    row.networkId = 1;
    row.nodeId = line.reserveNodeId({1, 1, 60000, {}}, row);
    if (line.store(row) != record::LineRecord::StoredIn::kDatabase)
        throw std::runtime_error("a row went to the spool: " + line.downReason());
}

struct Way {
    std::string name;
    std::function<void(int)> unit;
    std::vector<double> ms{};
    std::vector<double> gangMsPerUnit{};
};

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The time a gang of units started together takes, per unit.
double gangMsPerUnit(const Way& way, int& number) {
    std::barrier start(kGang + 1);
    std::vector<std::thread> units;
    for (int i = 0; i < kGang; ++i)
        units.emplace_back([&, n = number++] {
            start.arrive_and_wait();
            way.unit(n);
        });
    start.arrive_and_wait();
    const auto began = Clock::now();
    for (std::thread& unit : units) unit.join();
    return msSince(began) / kGang;
}

// One small write made durable, as a commit's log write is.
double diskSyncMs(const std::filesystem::path& folder) {
    const int fd = ::open((folder / "sync").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    std::vector<double> ms;
    for (int i = 0; i < 50; ++i) {
        const auto start = Clock::now();
        if (::pwrite(fd, "unit row\n", 9, 0) != 9 || ::fdatasync(fd) != 0) break;
        ms.push_back(msSince(start));
    }
    ::close(fd);
    return percentile(ms, 50);
}

}  // namespace

int main() {
    TempFolder folder;
    const std::string csv = (folder.path() / "line.csv").string();
    record::LineRecord sqlite(folder.sqliteUrl(), folder.path() / "sqlite-spool");
    std::vector<Way> ways{{"CSV report row", [&](int n) { appendCsvRow(csv, unit(n)); }},
                          {"SQLite record", [&](int n) { recordUnit(sqlite, n); }}};

    std::unique_ptr<PostgresServer> server;
    std::unique_ptr<record::LineRecord> postgres;
    if (PostgresServer::available()) {
        server = std::make_unique<PostgresServer>(true);
        if (!server->start()) {
            std::fprintf(stderr, "the PostgreSQL server did not start\n");
            return 1;
        }
        postgres =
            std::make_unique<record::LineRecord>(server->url(), folder.path() / "postgres-spool");
        ways.push_back({"PostgreSQL record", [&](int n) { recordUnit(*postgres, n); }});
    }
    // First use creates the tables: not a unit's cost.
    for (Way& way : ways) way.unit(-1);

    int number = 0;
    for (int block = 0; block < kBlocks; ++block) {
        for (Way& way : ways) {
            for (int i = 0; i < kUnitsPerBlock; ++i) {
                const auto start = Clock::now();
                way.unit(number++);
                way.ms.push_back(msSince(start));
            }
        }
    }
    for (int gang = 0; gang < kGangs; ++gang)
        for (Way& way : ways) way.gangMsPerUnit.push_back(gangMsPerUnit(way, number));
    const double syncMs = diskSyncMs(folder.path());
    std::fprintf(stderr, "one disk sync: p50 %.3f ms\n", syncMs);
    // Each statement is a round trip to the server process: on a busy machine it waits for a
    // free core, so the load is part of the figure.
    double load = 0;
    if (std::FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1) load = 0;
        std::fclose(file);
    }

    const double csvMs = mean(ways.front().ms);
    for (const Way& way : ways) {
        std::fprintf(stderr, "%s: mean %.3f ms, p50 %.3f, p95 %.3f, p99 %.3f over %zu units\n",
                     way.name.c_str(), mean(way.ms), percentile(way.ms, 50), percentile(way.ms, 95),
                     percentile(way.ms, 99), way.ms.size());
        if (&way == &ways.front()) continue;
        const double added = mean(way.ms);
        printRow({way.name + ": ms per unit (id + row), one at a time; disk sync " +
                      fixed(syncMs, 2) + " ms, load " + fixed(load, 1),
                  fixed(added, 2), fixed(csvMs, 2) + " (CSV row)", times(added / csvMs),
                  "<= " + fixed(kTargetMs, 0) + " ms", metText(added <= kTargetMs)});
        const double gang = mean(way.gangMsPerUnit);
        printRow({way.name + ": ms per unit in a gang of " + std::to_string(kGang), fixed(gang, 2),
                  fixed(csvMs, 2) + " (CSV row)", times(gang / csvMs),
                  "<= " + fixed(kTargetMs, 0) + " ms", metText(gang <= kTargetMs)});
    }
    if (!server) std::fprintf(stderr, "PostgreSQL 15 is not installed: its row is missing\n");
    return 0;
}
