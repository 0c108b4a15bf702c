#include "Event.h"

#include <array>

namespace watch {

namespace {

constexpr std::array<std::string_view, kEventKinds> kEventKindNames = {
    "node_down", "route_changed",      "link_weak",         "delivery_low",
    "port_lost", "network_id_differs", "duplicate_node_id", "one_way_route",
};

}  // namespace

std::string_view eventKindName(EventKind kind) {
    return kEventKindNames[static_cast<std::size_t>(kind)];
}

std::string_view eventPhaseName(EventPhase phase) {
    switch (phase) {
        case EventPhase::Starts:
            return "start";
        case EventPhase::Ends:
            return "end";
        case EventPhase::Once:
            return "once";
    }
    return "once";
}

}  // namespace watch
