// path: the module's path list, its nodes and the links between them.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "SetupExchange.h"

namespace cli {

namespace {

modlink::ExitCode readPath(const modlink::CommonOptions& common) {
    modlink::Session session = portSession(common);
    const modlink::PathNodes path = modlink::readPathNodes(session);
    if (common.json) {
        std::cout << modlink::Json{{"path", path.nodes}, {"links", path.links}}.dump() << "\n";
        return modlink::kExitDone;
    }
    const auto line = [](const std::vector<int>& numbers) {
        std::string text;
        for (const int number : numbers) text += (text.empty() ? "" : " ") + std::to_string(number);
        return text;
    };
    std::cout << "path=" << line(path.nodes) << "\nlinks=" << line(path.links) << "\n";
    return modlink::kExitDone;
}

}  // namespace

void addPathCommand(CLI::App& subcommand, CommandRun& run) {
    CLI::App* path = &subcommand;
    run.add(path, kPortOptions, onePort, readPath);
}

}  // namespace cli
