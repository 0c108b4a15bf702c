#pragma once
// The commands of meshcfg-cli, one file each. The command line declares each by its name and
// description; when the parse meets one, its file adds its options to that subcommand and its
// steps to the run. It prints its result on standard output (text, or one JSON document with
// --json) and returns its exit code, failures leaving as a Failure.

#include "CommandRun.h"
#include "Settings.h"

namespace cli {

void addPortsCommand(CLI::App& subcommand, CommandRun& run);
void addReadCommand(CLI::App& subcommand, CommandRun& run);
void addWriteCommand(CLI::App& subcommand, CommandRun& run);
void addApplyCommand(CLI::App& subcommand, CommandRun& run);
void addStationCommand(CLI::App& subcommand, CommandRun& run);
void addUnitsCommand(CLI::App& subcommand, CommandRun& run);
void addRouteCommand(CLI::App& subcommand, CommandRun& run);
void addPathCommand(CLI::App& subcommand, CommandRun& run);
void addSendCommand(CLI::App& subcommand, CommandRun& run);
void addRawCommand(CLI::App& subcommand, CommandRun& run);
void addMonitorCommand(CLI::App& subcommand, CommandRun& run);
void addMeshSurveyCommand(CLI::App& subcommand, CommandRun& run);
void addMeshTestCommand(CLI::App& subcommand, CommandRun& run);
void addMeshPlanCommand(CLI::App& subcommand, CommandRun& run);
void addMeshApplyCommand(CLI::App& subcommand, CommandRun& run);
void addMeshVerifyCommand(CLI::App& subcommand, CommandRun& run);
void addMeshExportCommand(CLI::App& subcommand, CommandRun& run);
void addMeshHistoryCommand(CLI::App& subcommand, CommandRun& run);

}  // namespace cli
