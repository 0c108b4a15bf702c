// mesh verify: whether a mesh is as its file describes it: each module's settings as wanted, each
// node the file expects heard, each expected link there and strong enough. One line per drift,
// exit 1 for any; 3 (or 4) when a module could not be read. --junit writes the verdict as JUnit
// XML, one test case per module and per expected link.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "Files.h"
#include "JsonText.h"
#include "MeshFileCommands.h"
#include "SiteJson.h"
#include "SiteVerbs.h"
#include "Text.h"

namespace cli {

namespace {

struct MeshVerifyOptions {
    MeshFileOptions file;
    std::string junitPath;
};

std::string verdictCounts(const meshplan::Verdict& verdict) {
    std::size_t linksThere = 0;
    for (const meshplan::LinkCheck& link : verdict.links) linksThere += link.passed() ? 1 : 0;
    std::size_t heard = 0;
    for (const meshplan::NodeCheck& node : verdict.nodes) heard += node.heard ? 1 : 0;
    return planCounts(verdict.plan, "drifted") + "; " + std::to_string(linksThere) + " of " +
           std::to_string(verdict.links.size()) + " links, " + std::to_string(heard) + " of " +
           std::to_string(verdict.nodes.size()) + " nodes heard";
}

modlink::ExitCode verifyMeshFile(const modlink::CommonOptions& common,
                                 const MeshVerifyOptions& options) {
    const meshplan::MeshFile& file = *options.file.file;
    const meshplan::Verdict verdict = meshsite::verifySite(file, common, *options.file.ports);
    const std::vector<std::string> drifts = verdict.drifts();
    if (common.json) {
        std::cout << reports::jsonText(meshsite::verdictJson(verdict)) << "\n";
    } else {
        for (const std::string& drift : drifts) std::cout << forms::terminalText(drift) << "\n";
        std::cout << (drifts.empty() ? "No drift: " : "") << verdictCounts(verdict) << "\n";
    }
    // Written whatever the verdict, so that a collector reads the failures too.
    if (!options.junitPath.empty())
        station::replaceFile(options.junitPath, meshsite::verdictJunit(verdict, file.path));
    return meshsite::verdictExitCode(verdict);
}

}  // namespace

void addMeshVerifyCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<MeshVerifyOptions>();
    addMeshFileArgument(subcommand, options->file);
    subcommand.add_option("--junit", options->junitPath,
                          "also write the verdict to this file as JUnit XML");
    run.add(
        &subcommand, {"--baud", "--parity", "--timeout", "--json"},
        [](MainOptions& main) { checkMeshFileWords(main, "mesh verify"); },
        [options](const modlink::CommonOptions& common) {
            return verifyMeshFile(common, *options);
        },
        [options] {
            checkWritable(options->junitPath, station::Writing::kReplace);
            prepareMeshFile(options->file);
        },
        options);
}

}  // namespace cli
