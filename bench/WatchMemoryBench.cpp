// meshcfg-watch's memory over a long watch: the example lab surveyed every second, two probe
// pairs sending every second, the history kept in SQLite. Its resident memory is read every
// 10 s; the figure is what it grew from the end of the first twelfth of the span (the watcher's
// start-up and first figures settled) to the end. An hour by default; --minutes N for another
// span, --short for 20 s.

#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "FreePort.h"
#include "ProcStat.h"
#include "ScopedRuntimeDir.h"
#include "ScopedVariable.h"
#include "ShortRun.h"
#include "SpawnedSimulator.h"
#include "Table.h"
#include "TempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kGrowthTargetKiB = 1024;
constexpr std::chrono::seconds kSampleEvery{10};

// The sum of one metric's samples on /metrics; -1 while it does not answer.
long metricSum(int port, const std::string& name) {
    httplib::Client client("127.0.0.1", port);
    const auto response = client.Get("/metrics");
    if (!response || response->status != 200) return -1;
    long sum = 0;
    std::size_t at = 0;
    while ((at = response->body.find("\n" + name, at)) != std::string::npos) {
        at += name.size() + 1;
        const std::size_t space = response->body.find(' ', at);
        const std::size_t end = response->body.find('\n', space);
        if (space == std::string::npos) break;
        sum += std::atol(response->body.substr(space + 1, end - space - 1).c_str());
    }
    return sum;
}

std::string watchFile(const std::string& db, int metricsPort) {
    return "ports = [\"COM200-COM205\"]\ninterval = \"1s\"\nmetrics = \"127.0.0.1:" +
           std::to_string(metricsPort) + "\"\ndb = \"sqlite://" + db +
           "\"\n[[probe]]\nfrom = \"COM200\"\nto = \"COM201\"\nevery = \"1s\"\n"
           "[[probe]]\nfrom = \"COM201\"\nto = \"COM200\"\nevery = \"1s\"\n";
}

std::chrono::seconds spanOf(int argc, char** argv, bool shortRun) {
    if (shortRun) return std::chrono::seconds(20);
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--minutes") == 0)
            return std::chrono::minutes(std::atoi(argv[i + 1]));
    return std::chrono::minutes(60);
}

}  // namespace

int main(int argc, char** argv) {
    const bool shortRun = takeShortRun(argc, argv);
    const auto span = spanOf(argc, argv, shortRun);
    const ScopedRuntimeDir runtime;
    const TempFolder config;
    const TempFolder state;
    const ScopedVariable configHome("XDG_CONFIG_HOME", config.path().c_str());
    const ScopedVariable stateHome("XDG_STATE_HOME", state.path().c_str());
    const auto lab = SpawnedSimulator::lab(MESHCFG_EXAMPLE_LAB, {"--seed", "1"});
    if (lab->port() != 200) {
        std::fprintf(stderr, "bench_watch_memory: the example lab did not start\n");
        return 1;
    }
    const int port = freeLoopbackPort();
    const std::string settings = (config.path() / "watch.toml").string();
    std::ofstream(settings) << watchFile((state.path() / "watch.db").string(), port);
    const pid_t watcher = spawnWithoutOutput({MESHCFG_WATCH_PATH, "--config", settings});

    const auto start = Clock::now();
    const auto settled = start + span / 12;
    std::size_t settledBytes = 0;
    std::size_t mostBytes = 0;
    std::size_t lastBytes = 0;
    for (auto next = start; next < start + span; next += kSampleEvery / (shortRun ? 5 : 1)) {
        std::this_thread::sleep_until(next);
        lastBytes = bench::residentBytesOf(watcher);
        if (lastBytes == 0) break;
        if (settledBytes == 0 && Clock::now() >= settled) settledBytes = lastBytes;
        mostBytes = std::max(mostBytes, lastBytes);
    }
    const long surveys = metricSum(port, "meshcfg_surveys_total");
    const long sent = metricSum(port, "meshcfg_probe_sent_total");
    const long delivered = metricSum(port, "meshcfg_probe_delivered_total");
    ::kill(watcher, SIGTERM);
    int status = 0;
    ::waitpid(watcher, &status, 0);
    if (lastBytes == 0 || settledBytes == 0 || surveys <= 0 || sent <= 0) {
        std::fprintf(stderr, "bench_watch_memory: the watcher %s (surveys %ld, probe sends %ld)\n",
                     lastBytes == 0 ? "ended early" : "did not watch", surveys, sent);
        return 1;
    }
    const double growthKiB = (double(lastBytes) - double(settledBytes)) / 1024;
    const std::string spanText = span.count() % 60 ? std::to_string(span.count()) + " s"
                                                   : std::to_string(span.count() / 60) + " min";
    const std::string name = "watch 6 modules, 1 s surveys, 2 probes every 1 s, " + spanText;
    printRow({name + ": resident memory growth (KiB)", fixed(growthKiB, 0),
              fixed(double(settledBytes) / 1048576, 1) + " MiB at " +
                  std::to_string(span.count() / 12) + " s",
              "-", "+1 MiB at most", metText(growthKiB <= kGrowthTargetKiB)});
    printRow({name + ": most resident (MiB)", fixed(double(mostBytes) / 1048576, 1), "-"});
    printRow(
        {name + ": surveys, probe sends delivered",
         std::to_string(surveys) + ", " + std::to_string(delivered) + " of " + std::to_string(sent),
         "-"});
    return 0;
}
