// Figure 6: start-up, from exec to the main window shown, with all 255 ports probed, beside
// an empty Qt dialog program; then the same with a few port aliases published. The launchers
// print the moment their window is shown; the runs of the three are interleaved.

#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PortAlias.h"
#include "PtyPair.h"
#include "ScopedRuntimeDir.h"
#include "ShortRun.h"
#include "Stats.h"
#include "Table.h"

extern char** environ;

namespace {

constexpr int kRuns = 15;
constexpr int kShortRuns = 1;
constexpr int kAliases = 4;
constexpr int kFirstAlias = 200;

long long monotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Milliseconds from the spawn of program to the "shown" it prints.
std::optional<double> startupMs(const char* program) {
    int out[2];
    if (::pipe(out) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(program), nullptr};
    pid_t child = 0;
    const long long spawned = monotonicNs();
    const int failed = ::posix_spawn(&child, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char chunk[256];
    for (ssize_t n; !failed && (n = ::read(out[0], chunk, sizeof chunk)) > 0;)
        text.append(chunk, n);
    ::close(out[0]);
    if (failed) return std::nullopt;
    int status = 0;
    ::waitpid(child, &status, 0);
    long long shown = 0;
    if (std::sscanf(text.c_str(), "shown %lld", &shown) != 1) return std::nullopt;
    return (shown - spawned) / 1e6;
}

// Ports a user has linked: a pty each, published as COM200 and up for one run.
struct Aliases {
    std::vector<std::unique_ptr<PtyPair>> ptys;
    std::vector<std::unique_ptr<PortAlias>> links;
    Aliases() {
        for (int i = 0; i < kAliases; ++i) {
            ptys.push_back(std::make_unique<PtyPair>());
            links.push_back(std::make_unique<PortAlias>(kFirstAlias + i, ptys.back()->slavePath()));
        }
    }
};

bool record(std::vector<double>& samples, const char* program) {
    const std::optional<double> ms = startupMs(program);
    if (!ms) std::fprintf(stderr, "bench_startup: %s did not say it was shown\n", program);
    if (ms) samples.push_back(*ms);
    return ms.has_value();
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = takeShortRun(argc, argv) ? kShortRuns : kRuns;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const ScopedRuntimeDir runtime;  // the children see this run's aliases, not the user's
    std::vector<double> empty, plain, aliased;
    for (int run = 0; run <= runs; ++run) {
        // The first round only warms the caches.
        std::vector<double> warm;
        const bool counted = run > 0;
        bool ok = record(counted ? empty : warm, MESHCFG_SHOWN_EMPTY) &&
                  record(counted ? plain : warm, MESHCFG_SHOWN_MESHCFG);
        const Aliases aliases;
        ok = ok && record(counted ? aliased : warm, MESHCFG_SHOWN_MESHCFG);
        if (!ok) return 1;
    }
    const double emptyMs = percentile(empty, 50);
    const double plainMs = percentile(plain, 50);
    const double aliasedMs = percentile(aliased, 50);
    printRow({"6 start-up to shown, 255 ports probed, p50 (ms)", fixed(plainMs),
              fixed(emptyMs) + " empty dialog", times(plainMs / emptyMs), "<= 2x",
              metText(plainMs <= 2 * emptyMs)});
    printRow({"6 start-up to shown, " + std::to_string(kAliases) + " aliases, p50 (ms)",
              fixed(aliasedMs), fixed(emptyMs) + " empty dialog", times(aliasedMs / emptyMs),
              "<= 2x", metText(aliasedMs <= 2 * emptyMs)});
    return 0;
}
