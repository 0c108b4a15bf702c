#pragma once
// mesh survey: every module of a mesh read at once, the mesh's map and its faults, as a table,
// one JSON document or Graphviz text.

#include <optional>
#include <string>
#include <vector>

#include "Failure.h"
#include "Mesh.h"
#include "MeshFaults.h"
#include "PluggedUnits.h"
#include "Session.h"
#include "Settings.h"

namespace CLI {
class App;
}

struct MeshSurveyOptions {
    std::vector<std::string> ports;       // -p, every COMn-COMm range spelt out
    std::optional<AdapterModel> adapter;  // --adapter VID:PID
    bool aliases = false;                 // --aliases: every COM alias plugged now, once
    std::string profilePath;              // --profile: what every module must hold
    mesh::SharedSettings expected;        // read from the profile
    bool dot = false;                     // --dot: Graphviz text
    std::optional<std::string> adapterText;
};

// Declares `survey` under the `mesh` command group, bound to options; returns it.
CLI::App* addMeshSurveyCommand(CLI::App& mesh, MeshSurveyOptions& options);

// The checks made once the command line is read, ports given by -p already spelt out:
// a Failure with kExitUsage for what cannot run.
void finishMeshSurvey(MeshSurveyOptions& options, bool json);

// The mesh as one document: nodes, edges and faults, as --json prints it.
Json meshJson(const mesh::Mesh& mesh);

// Exit 0 for a mesh without fault, 1 for a mesh with faults; a port that failed gives its code
// (3, or 4 when its module did not answer), the others still surveyed and printed.
ExitCode surveyMesh(const CommonOptions& common, const MeshSurveyOptions& options);
