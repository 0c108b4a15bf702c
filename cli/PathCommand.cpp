// path: the module's path list, its nodes and the links between them.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "SetupExchange.h"

namespace {

ExitCode readPath(const CommonOptions& common) {
    Session session = portSession(common);
    const PathNodes path = readPathNodes(session);
    if (common.json) {
        std::cout << Json{{"path", path.nodes}, {"links", path.links}}.dump() << "\n";
        return kExitDone;
    }
    const auto line = [](const std::vector<int>& numbers) {
        std::string text;
        for (const int number : numbers) text += (text.empty() ? "" : " ") + std::to_string(number);
        return text;
    };
    std::cout << "path=" << line(path.nodes) << "\nlinks=" << line(path.links) << "\n";
    return kExitDone;
}

}  // namespace

void addPathCommand(CLI::App& subcommand, CommandRun& run) {
    CLI::App* path = &subcommand;
    run.add(path, kPortOptions, onePort, readPath);
}
