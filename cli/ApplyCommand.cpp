// apply: a profile written to the module on one port and read back, or to many at once.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "NamedPorts.h"
#include "PortDirectory.h"
#include "UnitCommands.h"

namespace cli {

namespace {

std::vector<station::PluggedUnit> asUnits(const std::vector<std::string>& ports) {
    std::vector<station::PluggedUnit> units;
    for (const std::string& port : ports) units.push_back({port, port});
    return units;
}

void printPass(const modlink::CommonOptions& common, const proto::Setup& values) {
    if (common.json)
        std::cout
            << modlink::Json{{"result", "PASS"}, {"settings", modlink::settingsJson(values)}}.dump()
            << "\n";
    else
        std::cout << modlink::settingsText(values) << "result=PASS\n";
}

}  // namespace

modlink::ExitCode applyProfile(const modlink::CommonOptions& common,
                               const proto::SettingChanges& settings,
                               const station::StationOptions& options) {
    std::vector<std::string> ports = options.ports;
    if (options.adapter) station::addAdapterPorts(*options.adapter, ports);
    const ports::PortDirectory directory;
    station::refuseRepeatedPorts(ports, directory);
    const bool alone = ports.size() == 1 && !options.adapter;
    if (!alone && !options.nodeIds && !options.keepNodeId)
        throw modlink::Failure(modlink::kExitUsage,
                               std::to_string(ports.size()) +
                                   " ports and one node_id: give --node-ids FIRST..LAST or "
                                   "--keep-node-id, since a mesh cannot hold two nodes of one id");
    station::UnitRunner runner(common, settings, options, directory, alone, unitOutput(common));
    runner.reachRecordAhead(ports.size());
    if (!alone) {
        const int code = station::runTogether(asUnits(ports), runner.work());
        runner.refuseWithoutRecord();
        return static_cast<modlink::ExitCode>(code);
    }
    runner.printAlone();
    const station::UnitOutcome outcome = runner.run(directory.resolve(ports.front()));
    runner.refuseWithoutRecord();
    if (!outcome.passed()) throw modlink::Failure(outcome.code, outcome.message);
    printPass(common, *outcome.row.readBack);
    return modlink::kExitDone;
}

void addApplyCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<UnitCommandOptions>();
    CLI::App* apply = &subcommand;
    options->given.addTo(*apply);
    addUnitOptions(*apply, *options);
    const auto check = [options](MainOptions& main) {
        checkUnitOptions(*options, main);
        station::checkApplyUnits(options->station);
    };
    run.add(
        apply, kPortOptions, check,
        [options](const modlink::CommonOptions& common) {
            return applyProfile(common, options->changes, options->station);
        },
        [options] { prepareUnitOptions(*options); }, options);
}

}  // namespace cli
