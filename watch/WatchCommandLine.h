#pragma once
// meshcfg-watch's command line: the options of every setting (the same names as the file's keys,
// with '-' for '_'), --config for the file and --json for the events' form. Reads no file.

#include <optional>
#include <string>

#include "Failure.h"
#include "WatchSettings.h"

namespace watch {

struct WatchCommandLine {
    std::optional<std::string> configFile;  // --config; else the default file
    SettingChoices options;
    bool json = false;
    // Help or a refused word: what to print, and the exit code, instead of a run.
    std::optional<modlink::ExitCode> exitCode;
    std::string output;
    std::string error;
};

WatchCommandLine parseWatchCommandLine(int argc, const char* const* argv);

}  // namespace watch
