// The mesh survey on 1, then 16 and 64 modules at once: one qz470-sim lab of 64 modules in a
// ring at 9600 baud (route lists full at 40 entries), its aliases from COM100 up, surveyed in
// this process as meshcfg-cli and the mesh window survey it. The wall time of each survey beside
// the one module's time from the same run, and this process's CPU time per module.

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "PortSurvey.h"
#include "ProcStat.h"
#include "RingLab.h"
#include "ScopedRuntimeDir.h"
#include "ShortRun.h"
#include "SpawnedSimulator.h"
#include "Stats.h"
#include "Table.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFirstPort = 100;

struct Size {
    int modules;
    double target;  // times the one module's wall time
    std::vector<double> wallMs{};
    std::vector<double> cpuMsPerModule{};
};

std::vector<std::string> surveyPortNames(int modules) {
    std::vector<std::string> named;
    for (int k = 0; k < modules; ++k) named.push_back("COM" + std::to_string(kFirstPort + k));
    return named;
}

bool everyModuleAnswered(const mesh::Survey& survey) {
    for (const mesh::SurveyedPort& port : survey) {
        const auto* answers = std::get_if<mesh::ModuleAnswers>(&port.outcome);
        if (!answers || !answers->setup || !answers->routes || !answers->path) {
            std::fprintf(stderr, "bench_survey: %s did not answer everything\n", port.port.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = takeShortRun(argc, argv);
    const int most = quick ? 4 : 64;
    const int runs = quick ? 1 : 5;
    std::vector<Size> sizes{{1, 1.0}};
    if (!quick) sizes.push_back({16, 1.25});
    sizes.push_back({most, 2.0});

    ScopedRuntimeDir runtime;
    const std::string file = runtime.path() + "/ring.toml";
    std::ofstream(file) << ringLab(most, kFirstPort);
    const auto lab = SpawnedSimulator::lab(file, {});
    if (lab->port() != kFirstPort) {
        std::fprintf(stderr, "bench_survey: the lab did not publish COM%d\n", kFirstPort);
        return 1;
    }
    const modlink::CommonOptions link;
    // Interleaved rounds, so a busy moment of the shared machine falls on every size alike.
    for (int run = 0; run < runs; ++run) {
        for (Size& size : sizes) {
            const bench::CpuTime cpu = bench::processCpuTime();
            const Clock::time_point start = Clock::now();
            const mesh::Survey survey = survey::surveyPorts(
                ports::PortDirectory().resolve(surveyPortNames(size.modules)), link);
            const double wallMs =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (!everyModuleAnswered(survey)) return 1;
            size.wallMs.push_back(wallMs);
            size.cpuMsPerModule.push_back(
                std::chrono::duration<double, std::milli>(bench::processCpuTime() - cpu).count() /
                size.modules);
        }
    }
    const double one = percentile(sizes.front().wallMs, 50);
    for (const Size& size : sizes) {
        const double value = percentile(size.wallMs, 50);
        const std::string name = "mesh survey, " + std::to_string(size.modules) + " module(s)";
        printRow({name + " (median)", fixed(value) + " ms", fixed(one) + " ms (one module)",
                  times(value / one), "<= " + fixed(size.target, 2) + "x",
                  metText(value <= one * size.target)});
        printRow({name + ": CPU per module (median)",
                  fixed(percentile(size.cpuMsPerModule, 50), 2) + " ms", "-"});
    }
    return 0;
}
