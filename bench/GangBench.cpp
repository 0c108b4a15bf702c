// meshcfg-cli apply on 1, then 16 and 64 modules at once: one qz470-sim per COM alias from
// COM150 up, at 9600 baud. The wall time of each gang beside the one module's time from the same
// run, and the CPU time meshcfg-cli spends per unit. The gang of 16 runs again with the line's
// record in SQLite and in PostgreSQL on loopback (a server of the bench's own that syncs every
// commit), which must keep the gang within the same time; what the record adds is also shown
// beside the gang of 16 without one.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PostgresServer.h"
#include "ScopedRuntimeDir.h"
#include "SpawnedSimulator.h"
#include "Stats.h"
#include "Table.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFirstPort = 150;
constexpr int kRuns = 5;
constexpr int kMostModules = 64;

struct Gang {
    int modules;
    double target;  // times the one module's wall time
    std::vector<std::string> record{};
    std::string with{};
    std::vector<double> wallMs{};
    std::vector<double> cpuMsPerUnit{};
};

std::optional<RunCost> applyAll(const std::string& profile, const Gang& gang) {
    std::vector<std::string> arguments{
        "apply",
        profile,
        "-p",
        "COM" + std::to_string(kFirstPort) + "-COM" + std::to_string(kFirstPort + gang.modules - 1),
        "--node-ids",
        "1..65000",
        "--keep-node-id"};
    arguments.insert(arguments.end(), gang.record.begin(), gang.record.end());
    return runToEnd(MESHCFG_CLI_PATH, arguments);
}

}  // namespace

int main() {
    ScopedRuntimeDir runtime;
    std::vector<std::unique_ptr<SpawnedSimulator>> simulators;
    for (int i = 0; i < kMostModules; ++i) {
        simulators.push_back(std::make_unique<SpawnedSimulator>(
            std::vector<std::string>{"--com", std::to_string(kFirstPort)}));
        if (simulators.back()->port() != kFirstPort + i) {
            std::fprintf(stderr, "bench_gang: simulator %d took no COM%d\n", i, kFirstPort + i);
            return 1;
        }
    }
    const std::string profile = runtime.path() + "/line.toml";
    std::ofstream(profile) << "frequency = 434.0\npower = 5\nlife_cycle = \"1h\"\n"
                              "network_id = 4660\nnode_id = 258\nuart_baud = 9600\n"
                              "uart_parity = \"NO\"\n";
    std::vector<Gang> gangs{{1, 1.0}, {16, 1.25}, {kMostModules, 2.0}};
    gangs.push_back(
        {16, 1.25, {"--db", "sqlite://" + runtime.path() + "/line.db"}, " with SQLite"});
    std::unique_ptr<PostgresServer> server;
    if (PostgresServer::available()) {
        server = std::make_unique<PostgresServer>(true);
        if (!server->start()) {
            std::fprintf(stderr, "bench_gang: the PostgreSQL server did not start\n");
            return 1;
        }
        gangs.push_back({16, 1.25, {"--db", server->url()}, " with PostgreSQL"});
    } else {
        std::fprintf(stderr, "PostgreSQL 15 is not installed: its row is missing\n");
    }
    // Interleaved rounds, so a busy moment of the shared machine falls on every gang alike.
    for (int run = 0; run < kRuns; ++run) {
        for (Gang& gang : gangs) {
            const auto cost = applyAll(profile, gang);
            if (!cost) {
                std::fprintf(stderr, "bench_gang: apply on %d modules%s failed\n", gang.modules,
                             gang.with.c_str());
                return 1;
            }
            gang.wallMs.push_back(cost->wallMs);
            gang.cpuMsPerUnit.push_back(cost->cpuMs / gang.modules);
        }
    }
    const double one = percentile(gangs.front().wallMs, 50);
    for (const Gang& gang : gangs) {
        const double value = percentile(gang.wallMs, 50);
        const std::string name = "apply, " + std::to_string(gang.modules) + " module(s) at once";
        printRow({name + gang.with + " (median)", fixed(value) + " ms",
                  fixed(one) + " ms (one module)", times(value / one),
                  "<= " + fixed(gang.target, 2) + "x", metText(value <= one * gang.target)});
        if (!gang.record.empty()) {
            // What the record adds, beside the same gang without one in the same rounds.
            const auto bare = std::find_if(gangs.begin(), gangs.end(), [&](const Gang& other) {
                return other.modules == gang.modules && other.record.empty();
            });
            const double without = percentile(bare->wallMs, 50);
            printRow({name + gang.with + ": the record's share (median)",
                      fixed(value - without) + " ms", fixed(without) + " ms (without a record)",
                      times(value / without)});
        }
        printRow({name + gang.with + ": CPU per unit (median)",
                  fixed(percentile(gang.cpuMsPerUnit, 50), 2) + " ms", "-"});
    }
    return 0;
}
