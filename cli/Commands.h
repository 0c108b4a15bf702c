#pragma once
// The commands of meshcfg-cli, one file each. Each declares itself and its options under the
// app (or the mesh group) and adds its steps to the run; it prints its result on standard
// output (text, or one JSON document with --json) and returns its exit code, failures leaving
// as a Failure.

#include "CommandRun.h"
#include "Settings.h"

void addPortsCommand(CLI::App& app, CommandRun& run);
void addReadCommand(CLI::App& app, CommandRun& run);
void addWriteCommand(CLI::App& app, CommandRun& run);
void addApplyCommand(CLI::App& app, CommandRun& run);
void addStationCommand(CLI::App& app, CommandRun& run);
void addUnitsCommand(CLI::App& app, CommandRun& run);
void addRouteCommand(CLI::App& app, CommandRun& run);
void addPathCommand(CLI::App& app, CommandRun& run);
void addSendCommand(CLI::App& app, CommandRun& run);
void addRawCommand(CLI::App& app, CommandRun& run);
void addMonitorCommand(CLI::App& app, CommandRun& run);
void addMeshSurveyCommand(CLI::App& mesh, CommandRun& run);
void addMeshTestCommand(CLI::App& mesh, CommandRun& run);
