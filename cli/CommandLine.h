#pragma once
// The command line read into what a command needs. Every check that can be made before a port
// is opened is made here, so a refused word ends the run with exit 2 and nothing sent.

#include <cstdint>
#include <optional>
#include <string>

#include "Commands.h"
#include "MeshSurveyCommand.h"
#include "MeshTestCommand.h"
#include "UnitsOptions.h"

namespace CLI {
class Validator;
}

enum class Command {
    kPorts,
    kRead,
    kWrite,
    kApply,
    kStation,
    kUnits,
    kRoute,
    kPath,
    kSend,
    kRaw,
    kMonitor,
    kMeshSurvey,
    kMeshTest
};

struct Invocation {
    Command command = Command::kPorts;
    CommonOptions common;
    std::string savePath;    // read
    SettingChanges changes;  // write; for apply the profile with the options on top
    bool verify = false;     // write
    StationOptions station;  // apply and station
    UnitsOptions units;
    SendOptions send;
    std::string rawBytes;  // raw
    bool asIs = false;     // raw
    bool follow = false;   // monitor
    MeshSurveyOptions meshSurvey;
    MeshTestOptions meshTest;
};

// A run to make, or what to print instead (help on standard output, a usage error on standard
// error) with the exit code.
struct ParsedCommandLine {
    std::optional<Invocation> invocation;
    ExitCode exitCode = kExitDone;
    std::string output;
    std::string error;
};

// Whole numbers in decimal digits only; the text is rewritten in canonical form so that CLI11's
// own conversion, which reads a leading 0 as octal and 0x as hexadecimal, sees plain digits.
CLI::Validator decimalIn(std::int64_t min, std::int64_t max);

ParsedCommandLine parseCommandLine(int argc, const char* const* argv);

// A failure is printed as one line on standard error and gives its exit code.
int runInvocation(const Invocation& invocation);
