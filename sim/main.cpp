// qz470-sim: a qz-470mr module on a pseudo-terminal, so Meshcfg can be used and tested without
// hardware. See --help.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>

#include "Cable.h"
#include "ControlSignals.h"
#include "LabLoop.h"
#include "LabMesh.h"
#include "ModuleModel.h"
#include "Options.h"
#include "PortNames.h"
#include "RequestLog.h"
#include "Simulator.h"

namespace {

constexpr int kUsageError = 2;

std::optional<sim::Mesh> loadMesh(const sim::Options& options) {
    if (!options.meshFile) return sim::defaultMesh();
    std::ifstream in(*options.meshFile);
    if (!in) {
        std::cerr << "qz470-sim: cannot read " << *options.meshFile << "\n";
        return std::nullopt;
    }
    sim::MeshParse parsed = sim::parseMesh(in);
    for (const std::string& error : parsed.errors) {
        std::cerr << "qz470-sim: " << *options.meshFile << ": " << error << "\n";
    }
    if (!parsed.errors.empty()) return std::nullopt;
    return std::move(parsed.mesh);
}

using FileCloser = int (*)(std::FILE*);

std::unique_ptr<std::FILE, FileCloser> openLog(const sim::Options& options) {
    if (options.logFile) return {std::fopen(options.logFile->c_str(), "a"), std::fclose};
    return {nullptr, std::fclose};
}

}  // namespace

int main(int argc, char** argv) {
    const sim::ParsedOptions parsed = sim::parseOptions({argv + 1, argv + argc});
    if (!parsed.error.empty()) {
        std::cerr << "qz470-sim: " << parsed.error << "\nTry 'qz470-sim --help'.\n";
        return kUsageError;
    }
    if (parsed.help) {
        std::cout << sim::helpText();
        return 0;
    }
    const sim::Options& options = parsed.options;
    std::optional<sim::Mesh> mesh;
    if (!options.labFile) {
        mesh = loadMesh(options);
        if (!mesh) return kUsageError;
    }
    const auto logFile = openLog(options);
    if (options.logFile && !logFile) {
        std::perror(("qz470-sim: " + *options.logFile).c_str());
        return kUsageError;
    }
    sim::RequestLog log(logFile ? logFile.get() : options.quiet ? nullptr : stderr);
    if (options.labFile) return sim::runLab(options, log);

    try {
        sim::ControlSignals signals;
        sim::Cable cable(ports::aliasDirectory(), options.firstPort);
        cable.announce();
        sim::ModuleModel model(std::move(*mesh), options.seed.value_or(std::random_device{}()),
                               options.ackLength);
        sim::Simulator(cable, signals, model, options, log).run();
    } catch (const std::exception& error) {
        // Caught here, so the alias is removed on the way out.
        std::cerr << "qz470-sim: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
