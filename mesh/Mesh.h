#pragma once
// A surveyed mesh: what was read, its map and its faults. The command line prints it and the
// mesh window shows it; both build it with assessMesh.

#include <vector>

#include "MeshFaults.h"
#include "MeshGraph.h"
#include "Survey.h"

namespace mesh {

struct Mesh {
    Survey survey{};
    MeshGraph graph{};
    std::vector<Fault> faults{};  // most serious first
};

Mesh assessMesh(Survey survey, const SharedSettings& expected = {});

}  // namespace mesh
