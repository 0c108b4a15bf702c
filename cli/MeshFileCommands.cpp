#include "MeshFileCommands.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "PortDirectory.h"
#include "Text.h"

namespace cli {

void addMeshFileArgument(CLI::App& command, MeshFileOptions& options) {
    command.add_option("file", options.path, "the mesh file (TOML), see meshcfg-cli(1)")
        ->required();
}

void checkMeshFileWords(const MainOptions& main, const std::string& command) {
    if (!main.ports.empty())
        throw modlink::Failure(modlink::kExitUsage,
                               command + ": the mesh file names the modules' ports: give no -p");
}

void prepareMeshFile(MeshFileOptions& options) {
    try {
        options.file = meshplan::readMeshFile(options.path, options.ports.emplace());
    } catch (const meshplan::MeshFileError& error) {
        throw modlink::Failure(modlink::kExitUsage, error.what());
    }
}

void printPlanLines(const meshplan::MeshPlan& plan) {
    for (const meshplan::ModulePlan& module : plan.modules) {
        for (const std::string& line : meshplan::changeLines(module))
            std::cout << forms::terminalText(line) << "\n";
        if (!module.current) std::cout << forms::terminalText(meshplan::unreadLine(module)) << "\n";
    }
}

std::string planCounts(const meshplan::MeshPlan& plan, const std::string& toChange) {
    const std::size_t differing = plan.differing();
    const std::size_t unread = plan.unread();
    std::string text = std::to_string(differing) + " module" + (differing == 1 ? "" : "s") + " " +
                       toChange + ", " + std::to_string(plan.modules.size() - differing - unread) +
                       " as wanted";
    if (unread > 0) text += ", " + std::to_string(unread) + " not read";
    return text;
}

}  // namespace cli
