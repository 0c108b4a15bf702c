// mesh apply: a mesh file written to the modules that differ from it, all at once as the
// station's gang writes units, each read back and compared, each written module a unit of the
// line's record with --db. A second apply right after finds nothing to do.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "JsonText.h"
#include "MeshFileCommands.h"
#include "SiteJson.h"
#include "SiteVerbs.h"
#include "UnitCommands.h"

namespace cli {

namespace {

struct MeshApplyOptions {
    MeshFileOptions file;
    station::StationOptions station;
};

std::string appliedCounts(const meshsite::SiteApplied& applied) {
    meshplan::MeshPlan plan;
    for (const meshsite::AppliedModule& module : applied.modules)
        plan.modules.push_back(module.plan);
    if (plan.differing() == 0 && plan.unread() == 0)
        return "Nothing to do: " + planCounts(plan, "to write");
    std::string text = std::to_string(applied.written()) + " written";
    if (applied.failed() > 0) text += ", " + std::to_string(applied.failed()) + " failed";
    return text + "; " + planCounts(plan, "differed");
}

modlink::ExitCode applyMeshFile(const modlink::CommonOptions& common,
                                const MeshApplyOptions& options) {
    const meshplan::MeshFile& file = *options.file.file;
    // The plan's lines go before the board's, which follows the writes as they end.
    const auto planned = [&common](const meshplan::MeshPlan& plan) {
        if (!common.json) printPlanLines(plan);
    };
    meshsite::SiteApplied applied =
        meshsite::applySite(file, common, *options.file.ports, options.station,
                            common.json ? nullptr : unitOutput(common), planned);
    if (common.json)
        std::cout << reports::jsonText(meshsite::appliedJson(applied)) << "\n";
    else
        std::cout << appliedCounts(applied) << "\n";
    return meshsite::appliedExitCode(applied);
}

}  // namespace

void addMeshApplyCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<MeshApplyOptions>();
    addMeshFileArgument(subcommand, options->file);
    addRecordOptions(subcommand, options->station);
    run.add(
        &subcommand, {"--baud", "--parity", "--timeout", "--json"},
        [options](MainOptions& main) {
            checkMeshFileWords(main, "mesh apply");
            station::checkIdSources(options->station);
        },
        [options](const modlink::CommonOptions& common) { return applyMeshFile(common, *options); },
        [options] {
            prepareSpool(options->station);
            prepareMeshFile(options->file);
        },
        options);
}

}  // namespace cli
