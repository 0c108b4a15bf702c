#pragma once
// The lines a drawing of the mesh shows, so that the Graphviz text and the mesh window draw the
// same ones: one line per pair of linked nodes, a route line where routes run (an arrow where
// they run one way only, MeshEdge::oneWay), a path line where only a path hop did, and for a
// node only heard of as a target, with no line of its own, a reach line from each module that
// reaches it. A line carries the link value of its pair where a path hop gave one.

#include <cstdint>
#include <optional>
#include <vector>

#include "MeshGraph.h"

namespace mesh {

enum class LineKind { Route, Path, Reach };

struct MeshLine {
    std::uint16_t from = 0;  // for a line both ways, the lower id
    std::uint16_t to = 0;
    LineKind kind = LineKind::Route;
    bool oneWay = false;
    std::optional<std::uint8_t> linkValue{};
    bool operator==(const MeshLine&) const = default;
};

// Route lines by pair, then path lines by pair, then reach lines by the node reached.
std::vector<MeshLine> meshLines(const MeshGraph& graph);

}  // namespace mesh
