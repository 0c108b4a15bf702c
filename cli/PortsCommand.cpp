// ports: the ports as the window lists them, with their devices, adapters and addresses.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "PortListJson.h"
#include "ProgramName.h"

namespace {

ExitCode listPorts(const CommonOptions& common) {
    const ports::PortDirectory directory;
    for (const std::string& problem : directory.remote().problems)
        std::cerr << programPrefix << problem << "\n";
    if (common.json) {
        std::cout << reports::portListJson(directory).dump() << "\n";
        return kExitDone;
    }
    for (const ports::ListedPort& listed : directory.listed()) std::cout << listed.text() << "\n";
    return kExitDone;
}

}  // namespace

void addPortsCommand(CLI::App& subcommand, CommandRun& run) {
    CLI::App* ports = &subcommand;
    run.add(
        ports, {"--json"}, [](MainOptions& main) { takeOnePort(main, false); }, listPorts);
}
