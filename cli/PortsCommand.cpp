// ports: the ports as the window lists them, with their devices, adapters and addresses.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "PortListJson.h"
#include "ProgramName.h"

namespace cli {

namespace {

modlink::ExitCode listPorts(const modlink::CommonOptions& common) {
    const ports::PortDirectory directory;
    for (const std::string& problem : directory.remote().problems)
        std::cerr << modlink::programPrefix << problem << "\n";
    if (common.json) {
        std::cout << reports::portListJson(directory).dump() << "\n";
        return modlink::kExitDone;
    }
    for (const ports::ListedPort& listed : directory.listed()) std::cout << listed.text() << "\n";
    return modlink::kExitDone;
}

}  // namespace

void addPortsCommand(CLI::App& subcommand, CommandRun& run) {
    CLI::App* ports = &subcommand;
    run.add(
        ports, {"--json"}, [](MainOptions& main) { takeOnePort(main, false); }, listPorts);
}

}  // namespace cli
