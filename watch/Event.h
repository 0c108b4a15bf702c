#pragma once
// What the watcher tells: a node gone down or back, a route changed, a link grown weak, a pair's
// delivery fallen, a port lost or back, a fault of the mesh found or gone. A condition is said
// twice, once when it starts and once when it ends, never while it lasts; a change is said once.
// Every sink (the log, the metrics, later a broker or the record) takes events of this one type.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace watch {

using WallClock = std::chrono::system_clock;
using WallTime = WallClock::time_point;

enum class EventKind {
    NodeDown,
    RouteChanged,
    LinkWeak,
    DeliveryLow,
    PortLost,
    NetworkIdDiffers,
    DuplicateNodeId,
    OneWayRoute,
};
inline constexpr std::size_t kEventKinds = 8;

enum class EventPhase { Starts, Ends, Once };

struct Event {
    WallTime time{};
    EventKind kind = EventKind::NodeDown;
    EventPhase phase = EventPhase::Once;
    std::string port{};                   // the port it concerns or was seen through; may be empty
    std::optional<std::uint16_t> node{};  // the node it concerns
    std::optional<std::uint16_t> peer{};  // the other end: a route's target, a link's far node
    std::string oldValue{};
    std::string newValue{};
    std::string text{};  // one line, printable
    bool operator==(const Event&) const = default;
};

// "node_down", as the metrics, the JSON and the log name the kind.
std::string_view eventKindName(EventKind kind);
// "start", "end", "once".
std::string_view eventPhaseName(EventPhase phase);

// An event that a condition starting or a change happening is: what the counters count.
inline bool beginsSomething(const Event& event) {
    return event.phase != EventPhase::Ends;
}

}  // namespace watch
