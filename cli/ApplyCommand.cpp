// apply: a profile written to the module on one port and read back, or to many at once.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "NamedPorts.h"
#include "PortDirectory.h"
#include "UnitCommands.h"

namespace {

std::vector<PluggedUnit> asUnits(const std::vector<std::string>& ports) {
    std::vector<PluggedUnit> units;
    for (const std::string& port : ports) units.push_back({port, port});
    return units;
}

void printPass(const CommonOptions& common, const proto::Setup& values) {
    if (common.json)
        std::cout << Json{{"result", "PASS"}, {"settings", settingsJson(values)}}.dump() << "\n";
    else
        std::cout << settingsText(values) << "result=PASS\n";
}

}  // namespace

ExitCode applyProfile(const CommonOptions& common, const SettingChanges& settings,
                      const StationOptions& options) {
    std::vector<std::string> ports = options.ports;
    if (options.adapter) addAdapterPorts(*options.adapter, ports);
    const ports::PortDirectory directory;
    refuseRepeatedPorts(ports, directory);
    const bool alone = ports.size() == 1 && !options.adapter;
    if (!alone && !options.nodeIds && !options.keepNodeId)
        throw Failure(kExitUsage,
                      std::to_string(ports.size()) +
                          " ports and one node_id: give --node-ids FIRST..LAST or "
                          "--keep-node-id, since a mesh cannot hold two nodes of one id");
    UnitRunner runner(common, settings, options, directory, alone, unitOutput(common));
    runner.reachRecordAhead(ports.size());
    if (!alone) {
        const int code = runTogether(asUnits(ports), runner.work());
        runner.refuseWithoutRecord();
        return static_cast<ExitCode>(code);
    }
    runner.printAlone();
    const UnitOutcome outcome = runner.run(directory.resolve(ports.front()));
    runner.refuseWithoutRecord();
    if (!outcome.passed()) throw Failure(outcome.code, outcome.message);
    printPass(common, *outcome.row.readBack);
    return kExitDone;
}

void addApplyCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<UnitCommandOptions>();
    CLI::App* apply = &subcommand;
    options->given.addTo(*apply);
    addUnitOptions(*apply, *options);
    const auto check = [options](MainOptions& main) {
        checkUnitOptions(*options, main);
        checkApplyUnits(options->station);
    };
    run.add(
        apply, kPortOptions, check,
        [options](const CommonOptions& common) {
            return applyProfile(common, options->changes, options->station);
        },
        [options] { prepareUnitOptions(*options); }, options);
}
