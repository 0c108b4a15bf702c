// meshcfg-cli mesh test against a running lab: 30 pairs (six modules, each sending to the other
// five) at 20 sends a second each, through a lab of six modules at 115200 baud, each a hop from
// every other over links with no latency and no loss. The tool's own figures: the sends a second
// it reached, its CPU per send beside the lab's for serving them, its resident memory as the run
// goes (goal: flat after the first minute), and the one-way latencies it measured.
//
//   bench_mesh_test [--short] [--duration SECONDS]   25 s by default; 600 is the full ten minutes

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "ProcStat.h"
#include "ScopedRuntimeDir.h"
#include "ShortRun.h"
#include "SpawnedSimulator.h"
#include "Stats.h"
#include "Table.h"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kModules = 6;
constexpr int kFirstPort = 230;
constexpr int kBaud = 115200;
constexpr int kSendsPerPairPerSecond = 20;
constexpr int kPairs = kModules * (kModules - 1);
constexpr double kDefaultSeconds = 25;
constexpr double kShortSeconds = 4;
constexpr double kSettledSeconds = 60;  // memory counts as settled after the first minute
constexpr double kMostGrowthMiB = 1;
constexpr double kLeastShareOfRate = 0.99;

// Six modules at kBaud, every pair linked.
std::string fullLab() {
    std::string text;
    for (int id = 1; id <= kModules; ++id)
        text += "[[node]]\nid = " + std::to_string(id) +
                "\ncom = " + std::to_string(kFirstPort + id - 1) +
                "\nuart_baud = " + std::to_string(kBaud) + "\n";
    for (int a = 1; a <= kModules; ++a)
        for (int b = a + 1; b <= kModules; ++b)
            text += "[[link]]\nnodes = [" + std::to_string(a) + ", " + std::to_string(b) +
                    "]\nlink_value = 50\n";
    return text;
}

// A meshcfg-cli run whose --json lines are read as they come; only the last is kept.
class CliProcess {
  public:
    explicit CliProcess(std::vector<std::string> words) {
        const SpawnedOutput spawned = spawnReadingOutput(std::move(words));
        m_pid = spawned.pid;
        m_out = spawned.out;
    }
    ~CliProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) ::close(m_out);
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    pid_t pid() const { return m_pid; }

    // Reads what came within the wait; false at the end of its output.
    bool read(std::chrono::milliseconds wait) {
        pollfd fd{m_out, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(wait.count())) <= 0) return true;
        char buffer[65536];
        const ssize_t n = ::read(m_out, buffer, sizeof buffer);
        if (n <= 0) return false;
        m_tail.append(buffer, static_cast<std::size_t>(n));
        const std::size_t lastEnd = m_tail.rfind('\n');
        if (lastEnd == std::string::npos) return true;
        const std::size_t lineStart = m_tail.rfind('\n', lastEnd - 1);
        const std::size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
        if (lastEnd > from) m_lastLine = m_tail.substr(from, lastEnd - from);
        m_lines += static_cast<long>(std::count(buffer, buffer + n, '\n'));
        m_tail.erase(0, lastEnd + 1);
        return true;
    }
    const std::string& lastLine() const { return m_lastLine; }
    long lines() const { return m_lines; }

    // Waits for its end: its CPU time in all, nothing unless it exited with 0 or 1 (a pair
    // under --min-delivery, which the figures show anyway).
    std::optional<Seconds> finish() {
        int status = 0;
        rusage usage{};
        ::wait4(m_pid, &status, 0, &usage);
        m_pid = 0;
        if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) return std::nullopt;
        const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
        return Seconds(seconds(usage.ru_utime) + seconds(usage.ru_stime));
    }

  private:
    pid_t m_pid = 0;
    int m_out = -1;
    std::string m_tail;
    std::string m_lastLine;
    long m_lines = 0;
};

double mebibytes(std::size_t bytes) {
    return double(bytes) / (1024.0 * 1024.0);
}

double takeDuration(int argc, char** argv, double fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--duration") return std::stod(argv[i + 1]);
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds =
        takeShortRun(argc, argv) ? kShortSeconds : takeDuration(argc, argv, kDefaultSeconds);
    const double settledAt = std::min(kSettledSeconds, seconds / 4);
    const ScopedRuntimeDir runtime;
    const std::string file = runtime.path() + "/full.toml";
    std::ofstream(file) << fullLab();
    const auto lab = SpawnedSimulator::lab(file, {"--seed", "1"});
    if (lab->port() != kFirstPort) {
        std::fprintf(stderr, "bench_mesh_test: the lab did not start\n");
        return 1;
    }

    const std::string ports =
        "COM" + std::to_string(kFirstPort) + "-COM" + std::to_string(kFirstPort + kModules - 1);
    const int interval = 1000 / kSendsPerPairPerSecond / (kModules - 1);
    // For the duration rather than a count: a tool that falls behind sends fewer.
    CliProcess cli({MESHCFG_CLI_PATH, "-p", ports, "--baud", std::to_string(kBaud), "mesh", "test",
                    "--pairs", "all", "--duration", fixed(seconds, 0) + "s", "--interval",
                    std::to_string(interval), "--json"});
    const Clock::time_point start = Clock::now();
    const bench::CpuTime labCpuBefore = bench::processCpuTimeOf(lab->pid());
    // Resident memory once the ports are open, after the first minute, halfway and near the end.
    const std::vector<double> sampleAt{1, settledAt, seconds / 2, seconds - 0.5};
    std::vector<std::size_t> resident;
    bench::CpuTime labCpu{};
    while (cli.read(std::chrono::milliseconds(100))) {
        const double elapsed = Seconds(Clock::now() - start).count();
        if (resident.size() < sampleAt.size() && elapsed >= sampleAt[resident.size()]) {
            resident.push_back(bench::residentBytesOf(cli.pid()));
            if (resident.size() == sampleAt.size())
                labCpu = bench::processCpuTimeOf(lab->pid()) - labCpuBefore;
        }
    }
    const Seconds wall = Clock::now() - start;
    const std::optional<Seconds> cliCpu = cli.finish();
    const nlohmann::json last = nlohmann::json::parse(cli.lastLine(), nullptr, false);
    if (!cliCpu || resident.size() < sampleAt.size() || !last.contains("summary")) {
        std::fprintf(stderr, "bench_mesh_test: the run did not end with its summary: %s\n",
                     cli.lastLine().c_str());
        return 1;
    }

    long sent = 0;
    long delivered = 0;
    std::vector<double> p50s;
    double worstP95 = 0;
    double worstMax = 0;
    for (const nlohmann::json& pair : last["summary"]["pairs"]) {
        sent += pair["sent"].get<long>();
        delivered += pair["delivered"].get<long>();
        if (!pair["latency_ms"].is_object()) continue;
        p50s.push_back(pair["latency_ms"]["p50"].get<double>());
        worstP95 = std::max(worstP95, pair["latency_ms"]["p95"].get<double>());
        worstMax = std::max(worstMax, pair["latency_ms"]["max"].get<double>());
    }
    const nlohmann::json& others = last["summary"];
    const long unmatched = others["misdelivered"].get<long>() + others["unsent"].get<long>() +
                           others["earlier_run"].get<long>() + others["untagged"].get<long>();
    std::fprintf(stderr, "bench_mesh_test: %ld lines in %.1f s; %s\n", cli.lines(), wall.count(),
                 cli.lastLine().c_str());

    const std::string what =
        "mesh test on a lab, 30 pairs at 20 sends/s for " + fixed(seconds, 0) + " s";
    const double asked = kPairs * kSendsPerPairPerSecond;
    const double reached = double(sent) / seconds;
    printRow({what + ": sends/s reached", fixed(reached, 1), fixed(asked, 0) + " asked",
              times(reached / asked), ">= 99% of asked",
              metText(reached >= kLeastShareOfRate * asked)});
    const double cliUs = cliCpu->count() * 1e6 / double(sent);
    const double labUs = std::chrono::duration<double, std::micro>(labCpu).count() / double(sent);
    printRow({what + ": CPU per send (us)", fixed(cliUs, 1), fixed(labUs, 1) + " the lab's",
              times(cliUs / labUs)});
    const double settled = mebibytes(resident[1]);
    const double end = mebibytes(resident[3]);
    printRow({what + ": resident memory at the end (MiB)", fixed(end, 2),
              fixed(settled, 2) + " after " + fixed(settledAt, 0) + " s", times(end / settled),
              "flat (+1 MiB at most)", metText(end <= settled + kMostGrowthMiB)});
    printRow({what + ": resident memory at the start / halfway (MiB)",
              fixed(mebibytes(resident[0]), 2) + " / " + fixed(mebibytes(resident[2]), 2), "-"});
    printRow({what + ": delivered", std::to_string(delivered) + "/" + std::to_string(sent), "-",
              "-", "all", metText(delivered == sent)});
    printRow(
        {what + ": one-way latency p50 / p95 / max (ms)",
         fixed(percentile(p50s, 50), 2) + " / " + fixed(worstP95, 2) + " / " + fixed(worstMax, 2),
         "median pair / worst pair / worst"});
    printRow({what + ": notices matched to no send", std::to_string(unmatched), "-", "-", "0",
              metText(unmatched == 0)});
    return 0;
}
