#pragma once
// One map of a whole survey: every node a module answered as or someone named, and the links
// between them as the replies give them. A route list entry gives a route edge from the module
// to the entry's route node (its first hop), carrying the targets reached through it; a path
// reply gives a path edge per hop, from the node before it, with the hop's link value. No node
// is ever 0xFFFF, and no edge joins a node to itself.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "Survey.h"

namespace mesh {

struct MeshNode {
    std::uint16_t id = 0;
    // The survey indexes of the modules answering as this node (two or more: one id twice);
    // empty for a node only heard of.
    std::vector<std::size_t> modules{};
    std::vector<std::uint16_t> reachedBy{};  // the modules whose route lists reach it, ascending
    bool onPort() const { return !modules.empty(); }
    bool operator==(const MeshNode&) const = default;
};

enum class EdgeKind { Route, Path };

struct MeshEdge {
    std::uint16_t from = 0;
    std::uint16_t to = 0;
    EdgeKind kind = EdgeKind::Route;
    // Shown as minus this. A route edge takes it from a path hop between the same two nodes,
    // this way first, else the other way.
    std::optional<std::uint8_t> linkValue{};
    std::vector<std::uint16_t> targets{};  // route edges: what `from` reaches through `to`
    // A route edge with none back, from a node whose modules all name every route they have.
    bool oneWay = false;
    bool operator==(const MeshEdge&) const = default;
};

struct MeshGraph {
    std::vector<MeshNode> nodes{};  // by ascending id
    std::vector<MeshEdge> edges{};  // by ascending from, to, kind; one edge per such triple
    const MeshNode* node(std::uint16_t id) const;  // null for an id no one answered as or named
};

MeshGraph buildGraph(const Survey& survey);

}  // namespace mesh
