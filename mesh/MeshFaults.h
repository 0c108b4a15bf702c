#pragma once
// What is wrong with a surveyed mesh, one fault per finding, most serious first. Reaching is
// read from the route lists as MeshReach.h defines it.
//
// Seriousness: first what makes the mesh's addressing wrong, then what takes a module out of
// the mesh by its settings (the cause, ahead of the reaching it breaks), then modules the mesh
// cannot reach or that reach nothing, then what the survey could not see, then settings that
// keep a module in the mesh but age its routes otherwise, then single routes. Within a kind,
// faults keep the order of the ports as surveyed.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Survey.h"

namespace mesh {

enum class FaultKind {
    DuplicateNodeId,  // two modules answer as one node
    NoNodeId,         // a module holds 0xFFFF, which is no node
    NetworkIdDiffers,
    FrequencyDiffers,
    Isolated,      // reaches no node and no module reaches it
    Unreachable,   // no module reaches it
    ReachesNone,   // it reaches no node (a mesh of one module reaches none and is healthy)
    PortFailed,    // the port could not be opened, or its module never answered
    MissingReply,  // the module left some of the requests unanswered
    LifeCycleDiffers,
    RouteThroughUnreachable,  // a route's first hop, or a relay of the last path, no module reaches
    OneWayRoute,              // one module reaches another that has no route back
    // What differs from the mesh's file (a setting, a node not heard, a link missing or weak):
    // never found by a survey alone; the mesh window lists it first.
    DriftsFromFile,
};

// "duplicate_node_id", the kind as the command line's JSON names it.
std::string_view faultKindName(FaultKind kind);

// Two nodes a fault runs between, from the one that routes to the other; the map marks the link
// between them where it draws one.
struct FaultLink {
    std::uint16_t from = 0;
    std::uint16_t to = 0;
    bool operator==(const FaultLink&) const = default;
};

struct Fault {
    FaultKind kind = FaultKind::PortFailed;
    std::string text{};
    std::vector<std::string> ports{};  // as named, in survey order
    std::vector<std::uint16_t> nodes{};
    std::vector<FaultLink> links{};
    bool operator==(const Fault&) const = default;
};

// What every module of a mesh must hold alike, as a profile gives it. A value left out is the
// one most modules hold; where the most held values tie, the split is the fault.
struct SharedSettings {
    std::optional<std::uint32_t> frequencyRegister{};
    std::optional<std::uint16_t> networkId{};
    std::optional<std::uint8_t> lifeCycleCode{};
};

std::vector<Fault> findFaults(const Survey& survey, const SharedSettings& expected = {});

}  // namespace mesh
