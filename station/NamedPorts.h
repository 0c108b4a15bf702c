#pragma once
// The ports a command is given, refused as a usage error (kExitUsage) by the one rule of
// ports/GivenPorts.h: the command line's commands, the station and the Python module alike.

#include <string>
#include <vector>

#include "PluggedUnits.h"

namespace ports {
class PortDirectory;
}

namespace station {

// The names as given, every COMn-COMm range spelt out; a Failure for a name that can never be
// opened. Looks at the words alone.
std::vector<std::string> namedPorts(const std::vector<std::string>& names);

// A Failure when no port of this name can ever be opened.
void refuseMalformedPortName(const std::string& name);

// A Failure when a port is named twice, or reached through two names as the face's directory
// resolves them.
void refuseRepeatedPorts(const std::vector<std::string>& ports,
                         const ports::PortDirectory& directory);

// Appends the port of every plugged adapter of the model; a Failure with kExitPort when none is.
void addAdapterPorts(const AdapterModel& model, std::vector<std::string>& ports);

}  // namespace station
