#pragma once
// The production line's record: one CSV row per apply run, appended to a file whose header is
// written once.

#include <string>

#include "Session.h"
#include "Settings.h"

struct ApplyRun {
    const PortIdentity& port;
    Json readBack;  // the seven values read back; empty when nothing was read back
    bool passed = false;
    std::string why;  // empty for a pass
};

// A Failure with kExitUsage when the file cannot be written.
void appendReport(const std::string& path, const ApplyRun& run);
