#pragma once
// What apply and station share: the profile, the units' node ids, the report and the record,
// and the live board or JSON lines that follow the units.

#include <memory>
#include <optional>
#include <string>

#include "CommandRun.h"
#include "SettingOptions.h"
#include "StationOptions.h"
#include "UnitRunner.h"

namespace cli {

struct UnitCommandOptions {
    station::StationOptions station;
    std::string profilePath;
    std::optional<std::string> nodeIds;  // as given
    std::optional<std::string> adapter;  // as given
    SettingOptions given;                // apply's settings on top of the profile
    proto::SettingChanges changes;       // the profile with the settings on top, once prepared
};

void addUnitOptions(CLI::App& command, UnitCommandOptions& options);
// --db, --spool and --operator: where the units' rows are kept, and who ran them.
void addRecordOptions(CLI::App& command, station::StationOptions& station);
// The words read: the ports, the node id range and the adapter model; a Failure with kExitUsage
// for what cannot run.
void checkUnitOptions(UnitCommandOptions& options, const MainOptions& main);
// The spool's folder made, the files rows go to checked and the profile read, with apply's
// settings on top; a Failure with kExitUsage for one that cannot be used.
void prepareUnitOptions(UnitCommandOptions& options);
// The spool's default path for the record, its folder made and checked.
void prepareSpool(station::StationOptions& station);

// The live board, or one JSON object a line with --json.
std::unique_ptr<station::UnitOutput> unitOutput(const modlink::CommonOptions& common);

// The settings: the profile with the command line's options on top. One port prints as it
// always has; many ports are set up at once, one line per unit, and give the highest code.
modlink::ExitCode applyProfile(const modlink::CommonOptions& common,
                               const proto::SettingChanges& settings,
                               const station::StationOptions& station);

}  // namespace cli
