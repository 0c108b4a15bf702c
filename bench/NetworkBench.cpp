// A port across the network beside the same module on its local terminal, in the same run:
// meshcfg-cli `read` timed from spawn to end, and the median round trip of a 100-send link
// test, each through a real ser2net on loopback and on the simulator's terminal directly,
// interleaved so that the machine's load falls on both alike. The server passes bytes on at
// once, as the README configures it; the link test also runs through a server left at its
// defaults, which waits two characters' time for more before it passes bytes on.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "PortNames.h"
#include "ScopedRuntimeDir.h"
#include "Ser2netServer.h"
#include "ShortRun.h"
#include "SpawnedSimulator.h"
#include "Stats.h"
#include "Table.h"

namespace {

struct Runs {
    int reads;
    int linkTests;
    int sends;
};
constexpr Runs kFullRuns{20, 3, 100};
constexpr Runs kShortRuns{2, 1, 10};
constexpr double kReadAddedMs = 10;
constexpr double kRoundTripAddedMs = 1;

// The median round trip a `send --count --json` run reports; nothing when it failed.
std::optional<double> linkTestMedianMs(const std::string& port, int sends) {
    const std::string command = std::string(MESHCFG_CLI_PATH) + " -p " + port +
                                " send --target 3 --data 01 --interval 0 --json --count " +
                                std::to_string(sends);
    FILE* out = ::popen(command.c_str(), "r");
    if (!out) return std::nullopt;
    std::string text;
    char chunk[512];
    while (const std::size_t read = std::fread(chunk, 1, sizeof chunk, out))
        text.append(chunk, read);
    if (::pclose(out) != 0) return std::nullopt;
    const std::size_t trips = text.find("\"round_trip_ms\"");
    const std::size_t median = text.find("\"median\":", trips);
    if (trips == std::string::npos || median == std::string::npos) return std::nullopt;
    return std::stod(text.substr(median + 9));
}

void printAdded(const std::string& figure, const std::vector<double>& remote,
                const std::vector<double>& local, double addedMs) {
    const double value = percentile(remote, 50);
    const double baseline = percentile(local, 50);
    printRow({figure, fixed(value, 2) + " ms", fixed(baseline, 2) + " ms (terminal directly)",
              times(value / baseline), "<= +" + fixed(addedMs, 0) + " ms",
              metText(value - baseline <= addedMs)});
}

}  // namespace

int main(int argc, char** argv) {
    const Runs runs = takeShortRun(argc, argv) ? kShortRuns : kFullRuns;
    ScopedRuntimeDir runtime;
    SpawnedSimulator simulator;
    const std::optional<std::string> terminal =
        simulator.port() ? devicePathForPort(simulator.port()) : std::nullopt;
    if (!terminal) {
        std::fprintf(stderr, "bench_network: qz470-sim named no port\n");
        return 1;
    }
    const std::string folder = runtime.path();
    std::filesystem::create_directories(folder + "/default");
    Ser2netServer server(folder, *terminal);
    Ser2netServer waitingServer(folder + "/default", *terminal);
    server.passAtOnce();
    for (Ser2netServer* started : {&server, &waitingServer}) {
        if (started->start()) continue;
        std::fprintf(stderr, "bench_network: %s\n", started->error().c_str());
        return 1;
    }
    const std::string local = "COM" + std::to_string(simulator.port());
    const std::string remote = server.url();

    std::vector<double> remoteReads, localReads;
    for (int i = 0; i < runs.reads; ++i) {
        const auto overNetwork = runToEnd(MESHCFG_CLI_PATH, {"-p", remote, "read"});
        const auto direct = runToEnd(MESHCFG_CLI_PATH, {"-p", local, "read"});
        if (!overNetwork || !direct) {
            std::fprintf(stderr, "bench_network: meshcfg-cli read failed\n");
            return 1;
        }
        remoteReads.push_back(overNetwork->wallMs);
        localReads.push_back(direct->wallMs);
    }
    std::vector<double> remoteTrips, waitingTrips, localTrips;
    for (int i = 0; i < runs.linkTests; ++i) {
        const auto overNetwork = linkTestMedianMs(remote, runs.sends);
        const auto waiting = linkTestMedianMs(waitingServer.url(), runs.sends);
        const auto direct = linkTestMedianMs(local, runs.sends);
        if (!overNetwork || !waiting || !direct) {
            std::fprintf(stderr, "bench_network: meshcfg-cli send failed\n");
            return 1;
        }
        remoteTrips.push_back(*overNetwork);
        waitingTrips.push_back(*waiting);
        localTrips.push_back(*direct);
    }
    printAdded("meshcfg-cli read through ser2net (median)", remoteReads, localReads, kReadAddedMs);
    printAdded("link test round trip through ser2net, " + std::to_string(runs.sends) +
                   " sends (median of " + std::to_string(runs.linkTests) + " medians)",
               remoteTrips, localTrips, kRoundTripAddedMs);
    printAdded("the same, ser2net's defaults (chardelay, Nagle)", waitingTrips, localTrips,
               kRoundTripAddedMs);
    return 0;
}
