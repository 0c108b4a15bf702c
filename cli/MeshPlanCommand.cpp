// mesh plan: what applying a mesh file would change, module by module and key by key. Exit 0
// when nothing would, 1 when something would, 3 (or 4 when a module did not answer) when a
// module could not be read, the others still planned.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "JsonText.h"
#include "MeshFileCommands.h"
#include "SiteJson.h"
#include "SiteVerbs.h"

namespace cli {

namespace {

modlink::ExitCode planMeshFile(const modlink::CommonOptions& common,
                               const MeshFileOptions& options) {
    const meshplan::MeshPlan plan = meshsite::planSite(*options.file, common, *options.ports);
    if (common.json) {
        std::cout << reports::jsonText(meshsite::planJson(plan)) << "\n";
    } else {
        printPlanLines(plan);
        std::cout << (plan.differing() == 0 && plan.unread() == 0 ? "Nothing to change: " : "")
                  << planCounts(plan, "to write") << "\n";
    }
    return meshsite::planExitCode(plan);
}

}  // namespace

void addMeshPlanCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<MeshFileOptions>();
    addMeshFileArgument(subcommand, *options);
    run.add(
        &subcommand, {"--baud", "--parity", "--timeout", "--json"},
        [](MainOptions& main) { checkMeshFileWords(main, "mesh plan"); },
        [options](const modlink::CommonOptions& common) { return planMeshFile(common, *options); },
        [options] { prepareMeshFile(*options); }, options);
}

}  // namespace cli
