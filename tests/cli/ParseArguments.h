#pragma once
// The command line read as meshcfg-cli would be started with these arguments, and the files
// its options name read, as before any port opens.

#include <string>
#include <vector>

#include "CommandLine.h"

inline cli::ParsedCommandLine parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "meshcfg-cli");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    cli::ParsedCommandLine parsed =
        cli::parseCommandLine(static_cast<int>(argv.size()), argv.data());
    cli::prepareRun(parsed);
    return parsed;
}
