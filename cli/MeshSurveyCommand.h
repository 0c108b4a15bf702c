#pragma once
// mesh survey: every module of a mesh read at once, the mesh's map and its faults, as a table,
// one JSON document or Graphviz text. Exit 0 for a mesh without fault, 1 for a mesh with
// faults; a port that failed gives its code (3, or 4 when its module did not answer), the
// others still surveyed and printed.

#include <optional>
#include <string>
#include <vector>

#include "MeshFaults.h"
#include "PluggedUnits.h"
#include "PortDirectory.h"

namespace CLI {
class App;
}

namespace cli {

struct MainOptions;

// The modules of a mesh as mesh survey and mesh export take them.
struct MeshPorts {
    std::vector<std::string> ports;                // -p, every COMn-COMm range spelt out
    std::optional<station::AdapterModel> adapter;  // --adapter VID:PID
    bool aliases = false;                          // --aliases: every COM alias plugged now, once
    std::optional<std::string> adapterText;
};

void addMeshPortOptions(CLI::App& command, MeshPorts& ports);
// The words read; a Failure with kExitUsage naming the command when no port is given.
void checkMeshPorts(MeshPorts& ports, const MainOptions& main, const std::string& command);
// Every port, each once, as the command's directory resolves them; a Failure when one is named
// twice or reached through two names, or when --aliases or --adapter find none.
std::vector<ports::PortTarget> portsOf(const MeshPorts& ports,
                                       const ports::PortDirectory& directory);

struct MeshSurveyOptions {
    MeshPorts ports;
    std::string profilePath;        // --profile: what every module must hold
    mesh::SharedSettings expected;  // read from the profile
    bool dot = false;               // --dot: Graphviz text
};

}  // namespace cli
