#include "Mesh.h"

#include <utility>

namespace mesh {

Mesh assessMesh(Survey survey, const SharedSettings& expected) {
    Mesh mesh{.survey = std::move(survey)};
    mesh.graph = buildGraph(mesh.survey);
    mesh.faults = findFaults(mesh.survey, expected);
    return mesh;
}

}  // namespace mesh
