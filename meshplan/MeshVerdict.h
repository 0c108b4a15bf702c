#pragma once
// Whether a mesh is as its file describes it, from a survey of the file's modules (one entry per
// module, in the file's order): each module's settings as wanted, each node the file expects
// heard by some module's route list, each expected link seen (a route list's first hop or a
// path's hop between its two nodes) and at least as strong as asked.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "MeshFaults.h"
#include "MeshFile.h"
#include "MeshPlan.h"
#include "Survey.h"

namespace meshplan {

struct NodeCheck {
    std::uint16_t node = 0;
    bool heard = false;
    std::string drift() const;  // empty when heard
};

struct LinkCheck {
    ExpectedLink link;
    bool present = false;
    // The weakest value a path read shows for it; nothing when no path crosses it.
    std::optional<int> value{};
    bool passed() const;
    std::string name() const;   // "link 1-2"
    std::string drift() const;  // empty when it passed
};

struct Verdict {
    MeshPlan plan;
    std::vector<NodeCheck> nodes;  // as [expect] nodes lists them
    std::vector<LinkCheck> links;  // as the file gives them
    // One line per drift: each setting not as wanted, each module not read, each node not heard,
    // each link missing or too weak; empty for a mesh as its file describes it.
    std::vector<std::string> drifts() const;
};

Verdict verifyMesh(const MeshFile& file, const mesh::Survey& survey);

// Each drift as a fault a map marks: the module's port and node, the node not heard, the link's
// two nodes.
std::vector<mesh::Fault> driftFaults(const Verdict& verdict);

}  // namespace meshplan
