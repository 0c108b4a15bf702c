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

struct MeshSurveyOptions {
    std::vector<std::string> ports;       // -p, every COMn-COMm range spelt out
    std::optional<AdapterModel> adapter;  // --adapter VID:PID
    bool aliases = false;                 // --aliases: every COM alias plugged now, once
    std::string profilePath;              // --profile: what every module must hold
    mesh::SharedSettings expected;        // read from the profile
    bool dot = false;                     // --dot: Graphviz text
    std::optional<std::string> adapterText;
};
