#pragma once
// Where the mesh map puts each node and line: Graphviz's layout of the mesh's Graphviz text
// (mesh/MeshDot.h), every node a badge of kBadgeDiameter with room around it for its port,
// read back from the laid-out graph. Coordinates are points from the top left, one pixel each
// at 100 %. No Qt header: the layout runs on the survey's thread.

#include <cstdint>
#include <optional>
#include <vector>

#include "Mesh.h"

namespace meshapp {

inline constexpr double kBadgeDiameter = 40;
inline constexpr double kCaptionRoom = 16;  // kept free around a badge for its caption

struct MapPoint {
    double x = 0;
    double y = 0;
    bool operator==(const MapPoint&) const = default;
};

struct NodePlace {
    std::uint16_t id = 0;
    MapPoint centre{};
};

// One of mesh::meshLines, as Graphviz routed it around the badges.
struct LinePlace {
    std::uint16_t from = 0;
    std::uint16_t to = 0;
    std::vector<MapPoint> curve{};       // cubic Bézier pieces: 1 + 3n points
    std::optional<MapPoint> arrowTip{};  // a one-way line's arrow, from the curve's end
    std::optional<MapPoint> labelCentre{};
};

struct MeshLayout {
    double width = 0;
    double height = 0;
    std::vector<NodePlace> nodes{};  // by ascending id
    std::vector<LinePlace> lines{};  // in the order of mesh::meshLines
    const NodePlace* node(std::uint16_t id) const;
    const LinePlace* line(std::uint16_t from, std::uint16_t to) const;
};

// previous: the last survey's layout. Nodes still there stay where they were, and new ones are
// placed around them, so that a mesh drawn again changes only where it changed. Throws
// std::runtime_error where Graphviz cannot lay the mesh out (its layout plug-ins missing).
MeshLayout layOutMesh(const mesh::Mesh& mesh, const MeshLayout& previous = {});

}  // namespace meshapp
