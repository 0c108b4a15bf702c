// A mesh file's plan and verify on 1, then 16 and 64 modules at once, and its apply of 16 modules
// of which 4 differ beside the apply of one module that differs: one qz470-sim lab of 64 modules
// in a ring at 9600 baud, its aliases from COM100 up, the verbs run in this process as
// meshcfg-cli runs them. Each apply round gives the modules it changes another power, so that
// they differ again.

#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "RingLab.h"
#include "ScopedRuntimeDir.h"
#include "ShortRun.h"
#include "SiteJson.h"
#include "SiteVerbs.h"
#include "SpawnedSimulator.h"
#include "Stats.h"
#include "Table.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFirstPort = 100;

// The first `modules` of the ring; the first `differing` of them with power `power`, the rest
// with the lab's 7.
meshplan::MeshFile meshFile(int modules, int differing, int power) {
    std::string text = "[defaults]\npower = 7\n";
    for (int id = 1; id <= modules; ++id) {
        text += "[[module]]\nport = \"COM" + std::to_string(kFirstPort + id - 1) +
                "\"\nnode_id = " + std::to_string(id) + "\n";
        if (id <= differing) text += "power = " + std::to_string(power) + "\n";
    }
    // Every size checks the link 1 - 2; a file of one module names node 2 as a node heard.
    if (modules == 1) text += "[expect]\nnodes = [2]\n";
    text += "[[expect.link]]\nnodes = [1, 2]\n";
    return meshplan::parseMeshFile("ring.toml", text);
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figure {
    std::string name;
    int modules;
    double target;  // times the one module's figure; 0: none
    std::vector<double> wallMs{};
};

bool timed(Figure& figure, const std::function<bool()>& run) {
    const Clock::time_point start = Clock::now();
    if (!run()) {
        std::fprintf(stderr, "bench_mesh_file: %s did not come out as planned\n",
                     figure.name.c_str());
        return false;
    }
    figure.wallMs.push_back(msSince(start));
    return true;
}

void printFigures(const std::vector<Figure>& figures) {
    const double one = percentile(figures.front().wallMs, 50);
    for (const Figure& figure : figures) {
        const double value = percentile(figure.wallMs, 50);
        printRow({figure.name + " (median)", fixed(value) + " ms",
                  fixed(one) + " ms (" + figures.front().name + ")", times(value / one),
                  figure.target > 0 ? "<= " + fixed(figure.target, 2) + "x" : "-",
                  figure.target > 0 ? metText(value <= one * figure.target) : "-"});
    }
}

int runBench(int argc, char** argv) {
    const bool quick = takeShortRun(argc, argv);
    const int most = quick ? 4 : 64;
    const int runs = quick ? 1 : 5;
    ScopedRuntimeDir runtime;
    const std::string file = runtime.path() + "/ring.toml";
    std::ofstream(file) << ringLab(most, kFirstPort);
    const auto lab = SpawnedSimulator::lab(file, {});
    if (lab->port() != kFirstPort) {
        std::fprintf(stderr, "bench_mesh_file: the lab did not publish COM%d\n", kFirstPort);
        return 1;
    }
    const modlink::CommonOptions link;
    const ports::PortDirectory directory;
    std::vector<int> sizes{1, most};
    if (!quick) sizes.insert(sizes.begin() + 1, 16);
    std::vector<Figure> plans, verifies;
    for (const int size : sizes) {
        const double target = size == 1 ? 0.0 : size <= 16 ? 1.25 : 2.0;
        plans.push_back({"mesh plan, " + std::to_string(size) + " module(s)", size, target});
        verifies.push_back({"mesh verify, " + std::to_string(size) + " module(s)", size, target});
    }
    const int gang = quick ? 4 : 16;
    std::vector<Figure> applies{{"mesh apply, 1 module differing", 1, 0},
                                {"mesh apply, " + std::to_string(gang) + " modules, " +
                                     std::to_string(gang / 4) + " differing",
                                 gang, 0}};
    // Interleaved rounds, so a busy moment of the shared machine falls on every figure alike.
    for (int run = 0; run < runs; ++run) {
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const meshplan::MeshFile asItIs = meshFile(sizes[i], 0, 7);
            const bool planned = timed(plans[i], [&] {
                return meshsite::planExitCode(meshsite::planSite(asItIs, link, directory)) ==
                       modlink::kExitDone;
            });
            const bool verified = timed(verifies[i], [&] {
                return meshsite::verdictExitCode(meshsite::verifySite(asItIs, link, directory)) ==
                       modlink::kExitDone;
            });
            if (!planned || !verified) return 1;
        }
        const int power = 5 + run % 2;  // differs from the lab's 7
        for (Figure& apply : applies) {
            const int differing = apply.modules == 1 ? 1 : apply.modules / 4;
            const meshplan::MeshFile changed = meshFile(apply.modules, differing, power);
            if (!timed(apply, [&] {
                    const meshsite::SiteApplied applied = meshsite::applySite(
                        changed, link, directory, station::StationOptions{}, nullptr);
                    return meshsite::appliedExitCode(applied) == modlink::kExitDone &&
                           applied.written() == static_cast<std::size_t>(differing);
                }))
                return 1;
            // Back to the lab's power, so that the next apply finds its modules differing as
            // planned and every plan and verify finds nothing to do.
            meshsite::applySite(meshFile(apply.modules, 0, 7), link, directory,
                                station::StationOptions{}, nullptr);
        }
    }
    printFigures(plans);
    printFigures(verifies);
    printFigures(applies);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A verb's failure ends the bench through the lab's destructor, which stops the lab.
    try {
        return runBench(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_mesh_file: %s\n", error.what());
        return 1;
    }
}
