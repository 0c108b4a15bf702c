// station: each module set up as it is plugged in, by adapter model or by alias, until Ctrl+C or
// the last node id.

#include <poll.h>

#include <CLI/CLI.hpp>

#include "Commands.h"
#include "Interrupt.h"
#include "PortDirectory.h"
#include "PortNames.h"
#include "StationLoop.h"
#include "TtyHotplugMonitor.h"
#include "UnitCommands.h"
#include "UsbAdapters.h"

namespace cli {

namespace {

// How often a station looks at its units without hot-plug news: an alias appears unannounced.
constexpr int kScanIntervalMs = 200;

modlink::ExitCode stationMode(const modlink::CommonOptions& common,
                              const proto::SettingChanges& settings,
                              const station::StationOptions& options) {
    if (!options.nodeIds && !options.keepNodeId)
        throw modlink::Failure(modlink::kExitUsage,
                               "a station sets up many modules: give --node-ids FIRST..LAST or "
                               "--keep-node-id, since a mesh cannot hold two nodes of one id");
    if (!options.adapter)
        if (const std::string problem = ports::aliasDirectoryProblem(); !problem.empty())
            throw modlink::Failure(modlink::kExitUsage, problem);
    // The station's one look at ports.toml; each unit plugged in is resolved in it.
    const ports::PortDirectory directory;
    station::UnitRunner runner(common, settings, options, directory, false, unitOutput(common));
    runner.holdBackWhileRecordDown();
    ports::TtyHotplugMonitor hotplug;
    station::StationHooks hooks;
    if (options.adapter)
        hooks.scan = [model = *options.adapter] { return station::pluggedAdapters(model); };
    else
        hooks.scan = [] { return station::pluggedAliases(); };
    hooks.work = runner.work();
    hooks.stopRequested = [] { return modlink::interrupted(); };
    hooks.mayTake = [&runner] { return runner.mayTake(); };
    hooks.waitForChange = [&hotplug] {
        pollfd news{hotplug.fd(), POLLIN, 0};
        if (::poll(&news, hotplug.fd() < 0 ? 0 : 1, kScanIntervalMs) > 0)
            hotplug.takeAddOrRemoveEvents();
    };
    runner.output().note("Waiting for modules; Ctrl+C ends the shift.");
    const int code = station::runStation(hooks);
    if (code == modlink::kExitNoIdLeft)
        runner.output().note("No node id left: the station takes no more units.");
    runner.output().note(runner.shift());
    return static_cast<modlink::ExitCode>(code);
}

}  // namespace

void addStationCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<UnitCommandOptions>();
    CLI::App* station = &subcommand;
    addUnitOptions(*station, *options);
    station->add_flag("--aliases", options->station.aliases,
                      "take COM aliases as they appear in the alias folder");
    const auto check = [options](MainOptions& main) {
        checkUnitOptions(*options, main);
        station::checkStationUnits(options->station);
    };
    run.add(
        station, {"--baud", "--parity", "--timeout", "--json"}, check,
        [options](const modlink::CommonOptions& common) {
            return stationMode(common, options->changes, options->station);
        },
        [options] { prepareUnitOptions(*options); }, options);
}

}  // namespace cli
