#pragma once
// The ports a command that works on many at once is given: those named, and every plugged
// adapter of a model. Two runs on one port would both write to its module, or one would find the
// port in use, so a port named twice is refused before anything is sent.

#include <string>
#include <vector>

#include "PluggedUnits.h"

// Appends the port of every plugged adapter of the model; a Failure with kExitPort when none is.
void addAdapterPorts(const AdapterModel& model, std::vector<std::string>& ports);

// A Failure with kExitUsage when a port is named twice, or reached through two names.
void refuseRepeatedPorts(const std::vector<std::string>& ports);
