// meshcfg-watch's costs. /metrics of a watcher that knows 100 nodes, each module with a full
// route list of 40 routes and a path, timed over HTTP beside /healthz on the same server (the
// HTTP round trip alone). Then the real watcher on a lab of 100 modules surveyed every 10 s: its
// CPU beside the lab's own over the same span.

#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "FreePort.h"
#include "MeshWatch.h"
#include "MetricsServer.h"
#include "ProcStat.h"
#include "ScopedRuntimeDir.h"
#include "ScopedVariable.h"
#include "ShortRun.h"
#include "SpawnedSimulator.h"
#include "Stats.h"
#include "Table.h"
#include "TempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kNodes = 100;
constexpr int kRoutesEach = 40;  // a full route list
constexpr double kMetricsTargetMs = 5;
constexpr double kCpuTargetMsPerSecond = 10;  // 1 % of one core
constexpr int kLabFirstPort = 100;

std::uint16_t ringNode(int index) {
    return static_cast<std::uint16_t>((index % kNodes + kNodes) % kNodes + 1);
}

// Node i routes to the 20 nodes on either side, through its neighbour on that side, and last
// sent 8 hops round the ring.
mesh::Survey ringSurvey() {
    mesh::Survey survey;
    for (int i = 0; i < kNodes; ++i) {
        proto::RouteListReply routes{.localNode = ringNode(i)};
        for (int k = 0; k < kRoutesEach; ++k) {
            const int step = k / 2 + 1;
            const int side = k % 2 ? -1 : 1;
            routes.entries[static_cast<std::size_t>(k)] =
                proto::RouteEntry{ringNode(i + side * step), ringNode(i + side)};
        }
        proto::PathReply path{.localNode = ringNode(i)};
        for (int hop = 1; hop <= 8; ++hop)
            path.hops.push_back({ringNode(i + hop), static_cast<std::uint8_t>(40 + hop * 5)});
        survey.push_back(
            {"COM" + std::to_string(kLabFirstPort + i),
             mesh::ModuleAnswers{
                 .setup = proto::Setup{.nodeId = ringNode(i)}, .routes = routes, .path = path}});
    }
    return survey;
}

std::shared_ptr<const watch::WatchState> ringState() {
    watch::MeshWatch rules({});
    auto mesh = std::make_shared<const mesh::Mesh>(mesh::assessMesh(ringSurvey()));
    const watch::WallTime now = watch::WallClock::now();
    for (int i = 0; i < kNodes; ++i)
        rules.portOpened("COM" + std::to_string(kLabFirstPort + i), now);
    rules.surveyed(mesh, now);
    auto state = std::make_shared<watch::WatchState>();
    state->site = "bench";
    state->interval = std::chrono::seconds(10);
    state->started = now;
    state->mesh = mesh;
    state->surveyedAt = now;
    state->surveys = 1;
    state->routeHops = watch::routeHopsOf(*mesh);
    state->nodes = rules.nodes();
    state->ports = rules.ports();
    return state;
}

// Milliseconds per GET of the path, over keep-alive as Prometheus scrapes.
std::vector<double> getTimes(int port, const std::string& path, int count, std::size_t& bytes) {
    httplib::Client client("127.0.0.1", port);
    client.set_keep_alive(true);
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        const auto response = client.Get(path);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!response || response->status != 200) return {};
        bytes = response->body.size();
    }
    return times;
}

// surveys_total as /metrics says it; -1 while it does not answer.
long surveysOf(int port) {
    httplib::Client client("127.0.0.1", port);
    const auto response = client.Get("/metrics");
    if (!response || response->status != 200) return -1;
    const auto at = response->body.find("\nmeshcfg_surveys_total ");
    return at == std::string::npos ? -1 : std::stol(response->body.substr(at + 23));
}

double msPerSecond(bench::CpuTime cpu, Clock::duration wall) {
    return std::chrono::duration<double, std::milli>(cpu).count() /
           std::chrono::duration<double>(wall).count();
}

std::string ringLabFile() {
    std::string text;
    for (int id = 1; id <= kNodes; ++id) text += "[[node]]\nid = " + std::to_string(id) + "\n";
    for (int k = 0; k < kNodes; ++k)
        text += "[[link]]\nnodes = [" + std::to_string(k + 1) + ", " +
                std::to_string((k + 1) % kNodes + 1) + "]\nlink_value = 50\nlatency_ms = 20\n";
    return text;
}

bool metricsFigures(bool shortRun) {
    const auto state = ringState();
    std::string problem;
    const ports::NetworkAddress address{ports::NetworkAddress::Scheme::kTcp, "127.0.0.1",
                                        static_cast<std::uint16_t>(freeLoopbackPort())};
    auto server = watch::MetricsServer::listen(address, problem);
    if (!server) {
        std::fprintf(stderr, "bench_watch: %s\n", problem.c_str());
        return false;
    }
    server->changed(state);
    const int count = shortRun ? 20 : 500;
    std::size_t metricsBytes = 0;
    std::size_t healthBytes = 0;
    const auto metrics = getTimes(address.port, "/metrics", count, metricsBytes);
    const auto health = getTimes(address.port, "/healthz", count, healthBytes);
    if (metrics.empty() || health.empty()) {
        std::fprintf(stderr, "bench_watch: the endpoint did not answer\n");
        return false;
    }
    const double p50 = percentile(metrics, 50);
    const double healthP50 = percentile(health, 50);
    printRow(
        {"watch /metrics, 100 nodes, " + std::to_string(metricsBytes / 1024) + " KiB, p50 (ms)",
         fixed(p50, 3), fixed(healthP50, 3) + " /healthz", times(p50 / healthP50), "< 5 ms",
         metText(p50 < kMetricsTargetMs)});
    printRow({"watch /metrics, 100 nodes, p99 (ms)", fixed(percentile(metrics, 99), 3),
              fixed(percentile(health, 99), 3) + " /healthz"});
    return true;
}

bool cpuFigures(bool shortRun) {
    const ScopedRuntimeDir runtime;
    const TempFolder config;
    const TempFolder state;  // the history the watcher keeps, never the user's
    const ScopedVariable configHome("XDG_CONFIG_HOME", config.path().c_str());
    const ScopedVariable stateHome("XDG_STATE_HOME", state.path().c_str());
    const std::string labFile = runtime.path() + "/lab100.toml";
    std::ofstream(labFile) << ringLabFile();
    const auto lab =
        SpawnedSimulator::lab(labFile, {"--com", std::to_string(kLabFirstPort), "--seed", "1"});
    if (lab->port() != kLabFirstPort) {
        std::fprintf(stderr, "bench_watch: the lab of %d modules did not start\n", kNodes);
        return false;
    }
    const int port = freeLoopbackPort();
    const pid_t watcher = spawnWithoutOutput({MESHCFG_WATCH_PATH, "--aliases", "--interval", "10",
                                              "--metrics", "127.0.0.1:" + std::to_string(port)});
    // From the end of the first survey: opening 100 ports is a start's cost, not a watch's.
    const auto giveUp = Clock::now() + std::chrono::seconds(30);
    while (surveysOf(port) < 1 && Clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const bool surveyed = surveysOf(port) >= 1;
    const bench::CpuTime watcherBefore = bench::processCpuTimeOf(watcher);
    const bench::CpuTime labBefore = bench::processCpuTimeOf(lab->pid());
    const auto start = Clock::now();
    std::this_thread::sleep_for(shortRun ? std::chrono::seconds(2) : std::chrono::seconds(60));
    const auto span = Clock::now() - start;
    const double watcherCpu = msPerSecond(bench::processCpuTimeOf(watcher) - watcherBefore, span);
    const double labCpu = msPerSecond(bench::processCpuTimeOf(lab->pid()) - labBefore, span);
    const long surveys = surveysOf(port);
    ::kill(watcher, SIGTERM);
    int status = 0;
    ::waitpid(watcher, &status, 0);
    if (!surveyed) {
        std::fprintf(stderr, "bench_watch: the watcher never ended a survey\n");
        return false;
    }
    printRow({"watch 100 modules every 10 s: watcher CPU (ms/s)", fixed(watcherCpu, 2),
              fixed(labCpu, 2) + " the lab", times(watcherCpu / labCpu), "< 10 ms/s",
              metText(watcherCpu < kCpuTargetMsPerSecond)});
    printRow({"watch 100 modules every 10 s: surveys ended", std::to_string(surveys), "-"});
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool shortRun = takeShortRun(argc, argv);
    return metricsFigures(shortRun) && cpuFigures(shortRun) ? 0 : 1;
}
