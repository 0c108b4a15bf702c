// mesh export: the mesh file that describes the modules on the given ports as they are now, the
// links their route lists show included, so that a commissioned mesh is kept as a file. A port
// that failed is left out and said on standard error, with its exit code (3, or 4).

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "Files.h"
#include "MeshSurveyCommand.h"
#include "ProgramName.h"
#include "SiteJson.h"
#include "SiteVerbs.h"
#include "Text.h"

namespace cli {

namespace {

struct MeshExportOptions {
    MeshPorts ports;
    std::string outputPath;  // --output: written whole; standard output without it
};

modlink::ExitCode exportMeshFile(const modlink::CommonOptions& common,
                                 const MeshExportOptions& options) {
    meshsite::SiteExport exported;
    try {
        exported = meshsite::exportSite(portsOf(options.ports, ports::PortDirectory()), common);
    } catch (const meshplan::ExportRefusal& refusal) {
        throw modlink::Failure(modlink::kExitRefused,
                               std::string(refusal.what()) + ": nothing exported");
    }
    for (const mesh::SurveyedPort& port : exported.survey)
        if (const auto* failure = std::get_if<mesh::PortFailure>(&port.outcome))
            std::cerr << modlink::programPrefix
                      << forms::terminalText(port.port + ": " + failure->reason + ": left out")
                      << "\n";
    if (options.outputPath.empty())
        std::cout << exported.text;
    else
        station::replaceFile(options.outputPath, exported.text);
    return meshsite::surveyExitCode(exported.survey);
}

}  // namespace

void addMeshExportCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<MeshExportOptions>();
    addMeshPortOptions(subcommand, options->ports);
    subcommand.add_option("-o,--output", options->outputPath,
                          "write the file here, whole, instead of to standard output");
    run.add(
        &subcommand, {"--port", "--baud", "--parity", "--timeout"},
        [options](MainOptions& main) {
            if (main.common.json)
                throw modlink::Failure(modlink::kExitUsage,
                                       "mesh export: the file it writes is TOML; give no --json");
            checkMeshPorts(options->ports, main, "mesh export");
        },
        [options](const modlink::CommonOptions& common) {
            return exportMeshFile(common, *options);
        },
        [options] { checkWritable(options->outputPath, station::Writing::kReplace); }, options);
}

}  // namespace cli
