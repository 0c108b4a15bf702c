// meshcfg-cli against qz470-sim at 9600 baud: `read` and `apply` timed as a script sees them,
// from the spawn of the program to its end, beside the same requests cut by the window's
// silence rule (the receive buffer ticked every 100 ms) in the same run, interleaved.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ControlTexts.h"
#include "QZSerial.h"
#include "ScopedRuntimeDir.h"
#include "ShortRun.h"
#include "SpawnedSimulator.h"
#include "Stats.h"
#include "Table.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Runs {
    int reads;
    int applies;
};
constexpr Runs kFullRuns{20, 6};
constexpr Runs kShortRuns{2, 1};
constexpr int kBaud = 9600;
constexpr double kReplyDelayMs = 10;  // the simulator's default
constexpr double kReadWireMs = 36 * 10 * 1000.0 / kBaud;
constexpr double kReadTargetMs = kReadWireMs + kReplyDelayMs + 10;
constexpr double kApplyTargetMs = 400;
constexpr auto kTick = std::chrono::milliseconds(100);

// The program's own start, libraries loaded and options parsed, before any port opens: what it
// takes beyond the start of the smallest program, spawned beside it in the same run, because
// starting any process costs this loaded machine milliseconds of its own.
constexpr double kStartTargetMs = 5;
constexpr const char* kSmallestProgram = "/bin/true";
// Starts are short and noisy: several of each per read.
constexpr int kStartsPerRead = 5;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Milliseconds from spawning meshcfg-cli with these arguments to its end; nothing on failure.
std::optional<double> cliMs(std::vector<std::string> arguments,
                            const std::string& program = MESHCFG_CLI_PATH) {
    const auto cost = runToEnd(program, std::move(arguments));
    return cost ? std::optional(cost->wallMs) : std::nullopt;
}

// The window's way: write, then tick the receive buffer every 100 ms until it cuts the block.
double silenceExchangeMs(serial::QZSerial& port, const proto::Frame& request) {
    const auto start = Clock::now();
    port.Write(request.data(), static_cast<unsigned>(request.size()));
    auto next = start;
    for (;;) {
        next += kTick;
        std::this_thread::sleep_until(next);
        if (port.receiveBuffer().tick()) return msSince(start);
    }
}

void printFigure(const char* figure, std::vector<double> cli, std::vector<double> silence,
                 double targetMs) {
    const double value = percentile(cli, 50);
    const double baseline = percentile(silence, 50);
    printRow({figure, fixed(value) + " ms", fixed(baseline) + " ms (silence rule)",
              times(value / baseline), "< " + fixed(targetMs) + " ms", metText(value < targetMs)});
}

}  // namespace

int main(int argc, char** argv) {
    const Runs runs = takeShortRun(argc, argv) ? kShortRuns : kFullRuns;
    ScopedRuntimeDir runtime;
    SpawnedSimulator simulator;
    if (simulator.port() == 0) {
        std::fprintf(stderr, "bench_cli: qz470-sim named no port\n");
        return 1;
    }
    const std::string port = "COM" + std::to_string(simulator.port());
    const std::string profile = runtime.path() + "/line.toml";
    std::ofstream(profile) << "frequency = 434.0\npower = 5\nlife_cycle = \"1h\"\n"
                              "network_id = 4660\nnode_id = 258\nuart_baud = 9600\n"
                              "uart_parity = \"NO\"\n";
    forms::SetupFields fields{"434", 4, 0, "4660", "258", 3, 0};

    std::vector<double> cliRead, silenceRead, cliApply, silenceApply, cliStart, smallestStart;
    serial::QZSerial window;
    for (int i = 0; i < runs.reads + runs.applies; ++i) {
        const bool reading = i < runs.reads;
        const auto ms = reading
                            ? cliMs({"-p", port, "read"})
                            : cliMs({"-p", port, "apply", profile, "--node-id", std::to_string(i)});
        if (!ms) {
            std::fprintf(stderr, "bench_cli: meshcfg-cli failed\n");
            return 1;
        }
        (reading ? cliRead : cliApply).push_back(*ms);
        // What starting the program costs on this machine, apart from any reply.
        for (int start = 0; reading && start < kStartsPerRead; ++start) {
            cliStart.push_back(cliMs({"--help"}).value_or(0));
            smallestStart.push_back(cliMs({}, kSmallestProgram).value_or(0));
        }

        if (!window.Open(ports::PortDirectory().target(simulator.port()), kBaud, 0)) {
            std::fprintf(stderr, "bench_cli: %s\n", window.lastError().c_str());
            return 1;
        }
        double silenceMs = silenceExchangeMs(window, proto::encode(proto::ReadSetupRequest{}));
        if (!reading) {
            fields.nodeIdText = std::to_string(i);
            silenceMs += silenceExchangeMs(
                window, proto::encode(proto::WriteSetupRequest{forms::setupOf(fields)}));
            silenceMs += silenceExchangeMs(window, proto::encode(proto::ReadSetupRequest{}));
        }
        (reading ? silenceRead : silenceApply).push_back(silenceMs);
        window.Close();
    }
    std::fprintf(stderr, "read: wire time of 36 bytes %.1f ms + reply delay %.0f ms + 10 ms\n",
                 kReadWireMs, kReplyDelayMs);
    printFigure("meshcfg-cli read, 9600 baud (median)", cliRead, silenceRead, kReadTargetMs);
    printFigure("meshcfg-cli apply, 9600 baud (median)", cliApply, silenceApply, kApplyTargetMs);
    const double startMs = percentile(cliStart, 50);
    const double smallestMs = percentile(smallestStart, 50);
    printRow({"meshcfg-cli start alone, --help (median)", fixed(startMs) + " ms",
              fixed(smallestMs) + " ms (" + kSmallestProgram + ")", times(startMs / smallestMs),
              "< " + fixed(kStartTargetMs) + " ms beyond it",
              metText(startMs - smallestMs < kStartTargetMs)});
    return 0;
}
