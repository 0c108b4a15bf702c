// A port across the network beside a like module on its local terminal, in the same run:
// meshcfg-cli `read` timed from spawn to end, and the median round trip of a 100-send link
// test, each through a real ser2net on loopback and on the simulator's terminal directly,
// interleaved so that the machine's load falls on both alike. The server passes bytes on at
// once, as the README configures it; the link test also runs through a server left at its
// defaults, which waits two characters' time for more before it passes bytes on. Last, how
// long `read` takes to give up on an RFC 2217 port whose server never answers the telnet
// options (a raw server) while its module floods the line with receive notices.

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "NoticeFlood.h"
#include "PortNames.h"
#include "PtyPair.h"
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
// The time to connect the README gives, and what a process's own start and end may add.
constexpr double kConnectMs = 3000;
constexpr double kStartAndEndMs = 250;

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

// Wall time of `read` on port from spawn to end; nothing unless it ended as a port that cannot
// be opened (exit 3).
std::optional<double> refusedReadMs(const std::string& port) {
    const std::string command = std::string(MESHCFG_CLI_PATH) + " -p " + port + " read 2>/dev/null";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 3) {
        std::fprintf(stderr, "bench_network: read on %s ended with status %d after %.0f ms\n",
                     port.c_str(), status, took.count());
        return std::nullopt;
    }
    return took.count();
}

// A raw server in front of a flooded terminal, reached as an RFC 2217 port.
std::optional<double> floodedConnectMs(const std::string& folder) {
    PtyPair line;
    std::filesystem::create_directories(folder + "/flooded");
    Ser2netServer server(folder + "/flooded", line.slavePath(), Ser2netServer::Accepter::kRawTcp);
    if (!server.start()) {
        std::fprintf(stderr, "bench_network: %s\n", server.error().c_str());
        return std::nullopt;
    }
    NoticeFlood flood(line.masterFd());
    return refusedReadMs("rfc2217://127.0.0.1:" + std::to_string(server.port()));
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
    // A module of its own for each way in: a server that has not yet let go of its terminal
    // would otherwise take the replies of the next run on it.
    SpawnedSimulator served, servedWaiting, direct;
    std::vector<std::string> terminals;
    for (const SpawnedSimulator* simulator : {&served, &servedWaiting, &direct}) {
        const std::optional<std::string> terminal =
            simulator->port() ? ports::devicePathForPort(simulator->port()) : std::nullopt;
        if (!terminal) {
            std::fprintf(stderr, "bench_network: qz470-sim named no port\n");
            return 1;
        }
        terminals.push_back(*terminal);
    }
    const std::string folder = runtime.path();
    std::filesystem::create_directories(folder + "/default");
    Ser2netServer server(folder, terminals[0]);
    Ser2netServer waitingServer(folder + "/default", terminals[1]);
    server.passAtOnce();
    for (Ser2netServer* started : {&server, &waitingServer}) {
        if (started->start()) continue;
        std::fprintf(stderr, "bench_network: %s\n", started->error().c_str());
        return 1;
    }
    const std::string local = "COM" + std::to_string(direct.port());
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

    std::vector<double> flooded;
    for (int i = 0; i < runs.linkTests; ++i) {
        const auto took = floodedConnectMs(folder);
        if (!took) {
            std::fprintf(stderr, "bench_network: the flooded connect did not end in exit 3\n");
            return 1;
        }
        flooded.push_back(*took);
    }
    const double floodedMs = percentile(flooded, 50);
    printRow(
        {"read giving up on an RFC 2217 port that never answers, under a notice flood "
         "(median of " +
             std::to_string(runs.linkTests) + ")",
         fixed(floodedMs, 0) + " ms", fixed(kConnectMs, 0) + " ms to connect",
         times(floodedMs / kConnectMs), "<= +" + fixed(kStartAndEndMs, 0) + " ms",
         metText(floodedMs - kConnectMs <= kStartAndEndMs)});
    return 0;
}
