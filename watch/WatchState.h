#pragma once
// The watcher's state as its sinks read it: the last survey, every node and port, the figures of
// the survey and the events said so far. The loop builds one after each change and hands it on
// whole, so a sink on another thread (the metrics server) never reads it half made.

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Event.h"
#include "Mesh.h"
#include "NodeStates.h"
#include "PortStates.h"
#include "ProbeRun.h"

namespace watch {

// How many hops a module's route to a target takes, where the route lists show the whole way.
struct RouteHops {
    std::uint16_t node = 0;
    std::uint16_t target = 0;
    int hops = 0;
};

// The broker's side, as the metrics show it.
struct BrokerFigures {
    bool connected = false;
    std::uint64_t dropped = 0;  // events dropped from a full queue while the broker was away
    std::size_t waiting = 0;    // events not yet acknowledged by the broker
};

struct WatchState {
    std::string site{};
    std::chrono::seconds interval{};
    WallTime started{};
    std::shared_ptr<const mesh::Mesh> mesh{};  // the last survey; null before the first
    WallTime surveyedAt{};                     // when it ended
    std::chrono::duration<double> surveyDuration{};
    std::uint64_t surveys = 0;
    std::vector<RouteHops> routeHops{};  // of the last survey
    std::map<std::uint16_t, NodeState> nodes{};
    std::map<std::string, PortState> ports{};
    std::array<std::uint64_t, kEventKinds> eventsBegun{};  // by kind: starts and changes
    std::optional<BrokerFigures> broker{};                 // nothing: no broker
    std::vector<ProbeFigures> probes{};                    // in the settings' order
};

// The hops of every route of the survey's modules whose way the route lists show.
std::vector<RouteHops> routeHopsOf(const mesh::Mesh& mesh);

// Whether the watcher is keeping up: a survey ended within two intervals and the time a survey
// may take, or none was due yet. Why not, when it is not.
std::string unhealthyReason(const WatchState& state, WallTime now);

}  // namespace watch
