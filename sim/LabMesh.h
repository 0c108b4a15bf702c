#pragma once
// The mesh the simulated module reports: its own node, its route table (with empty entries
// where a route was dropped), the path to one target with the link value of every hop, and
// how well each link carries data.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Messages.h"

namespace sim {

using NodeId = std::uint16_t;

struct RouteEntry {
    NodeId target = 0;
    NodeId via = 0;  // the route node the module sends through

    bool operator==(const RouteEntry&) const = default;
};

struct Hop {
    NodeId node = 0;
    std::uint8_t linkValue = 0;  // of the link that reaches this node; shown as minus the value

    bool operator==(const Hop&) const = default;
};

// A link between two nodes, the same both ways. Links the mesh does not name are perfect.
struct Link {
    NodeId from = 0;
    NodeId to = 0;
    double deliveryRate = 1.0;  // the share of hops over it that arrive
    std::chrono::milliseconds latency{0};

    bool joins(NodeId a, NodeId b) const {
        return (from == a && to == b) || (from == b && to == a);
    }
};

struct Mesh {
    NodeId localNode = 1;
    std::vector<std::optional<RouteEntry>> routes;  // nothing: an empty entry
    std::vector<Hop> path;                          // first hop after the local node first
    std::vector<Link> links;

    bool contains(NodeId node) const;
    // Every node but the local one, each once, in the order the mesh names them.
    std::vector<NodeId> remoteNodes() const;
    // The nodes data for target passes, first hop first, target last: the route node of the
    // target's route entry is reached by its own entry in turn; a node without an entry of
    // its own, or routed through itself, is a neighbour. Nothing when the target is not in
    // the mesh or its routes run in a circle; empty for the local node.
    std::optional<std::vector<NodeId>> routeTo(NodeId target) const;
    Link linkBetween(NodeId a, NodeId b) const;
};

// The mesh file format, shown by --help; the built-in mesh is written in it.
extern const std::string_view kMeshFormatHelp;
extern const std::string_view kDefaultMeshText;

struct MeshParse {
    Mesh mesh;
    std::vector<std::string> errors;  // "line 3: ...", one for every bad line
};

MeshParse parseMesh(std::istream& in);
Mesh defaultMesh();

}  // namespace sim
