// meshcfg-cli apply on 1, then 16 and 64 modules at once: one qz470-sim per COM alias from
// COM150 up, at 9600 baud. The wall time of each gang beside the one module's time from the same
// run, and the CPU time meshcfg-cli spends per unit.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ScopedRuntimeDir.h"
#include "SpawnedSimulator.h"
#include "Stats.h"
#include "Table.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFirstPort = 150;
constexpr int kRuns = 5;
constexpr int kGangs[] = {1, 16, 64};
constexpr double kTargets[] = {1.0, 1.25, 2.0};  // times the one module's wall time

std::optional<RunCost> applyAll(const std::string& profile, int units) {
    return runToEnd(MESHCFG_CLI_PATH, {"apply", profile, "-p",
                                       "COM" + std::to_string(kFirstPort) + "-COM" +
                                           std::to_string(kFirstPort + units - 1),
                                       "--node-ids", "1..65000", "--keep-node-id"});
}

}  // namespace

int main() {
    ScopedRuntimeDir runtime;
    std::vector<std::unique_ptr<SpawnedSimulator>> simulators;
    for (int i = 0; i < kGangs[std::size(kGangs) - 1]; ++i) {
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
    // Interleaved rounds, so a busy moment of the shared machine falls on every gang alike.
    std::vector<std::vector<double>> wall(std::size(kGangs));
    std::vector<std::vector<double>> cpuPerUnit(std::size(kGangs));
    for (int run = 0; run < kRuns; ++run) {
        for (std::size_t g = 0; g < std::size(kGangs); ++g) {
            const auto cost = applyAll(profile, kGangs[g]);
            if (!cost) {
                std::fprintf(stderr, "bench_gang: apply on %d modules failed\n", kGangs[g]);
                return 1;
            }
            wall[g].push_back(cost->wallMs);
            cpuPerUnit[g].push_back(cost->cpuMs / kGangs[g]);
        }
    }
    const double one = percentile(wall[0], 50);
    for (std::size_t g = 0; g < std::size(kGangs); ++g) {
        const double value = percentile(wall[g], 50);
        const std::string figure =
            "apply, " + std::to_string(kGangs[g]) + " module(s) at once (median)";
        printRow({figure, fixed(value) + " ms", fixed(one) + " ms (one module)", times(value / one),
                  "<= " + fixed(kTargets[g], 2) + "x", metText(value <= one * kTargets[g])});
        printRow({"apply, " + std::to_string(kGangs[g]) + " at once: CPU per unit (median)",
                  fixed(percentile(cpuPerUnit[g], 50), 2) + " ms", "-"});
    }
    return 0;
}
