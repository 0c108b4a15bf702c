#include "FaultWatch.h"

#include <optional>

namespace watch {

namespace {

std::optional<EventKind> watchedKind(mesh::FaultKind kind) {
    switch (kind) {
        case mesh::FaultKind::NetworkIdDiffers:
            return EventKind::NetworkIdDiffers;
        case mesh::FaultKind::DuplicateNodeId:
            return EventKind::DuplicateNodeId;
        case mesh::FaultKind::OneWayRoute:
            return EventKind::OneWayRoute;
        default:
            return std::nullopt;
    }
}

template <typename Item>
std::optional<Item> itemOf(const std::vector<Item>& items, std::size_t index) {
    if (index >= items.size()) return std::nullopt;
    return items[index];
}

Event faultEvent(const FaultKey& key, EventPhase phase, WallTime now, std::string text) {
    const auto& [kind, ports, nodes] = key;
    const bool starts = phase == EventPhase::Starts;
    return {.time = now,
            .kind = kind,
            .phase = phase,
            .port = itemOf(ports, 0).value_or(""),
            .node = itemOf(nodes, 0),
            .peer = itemOf(nodes, 1),
            .oldValue = starts ? "ok" : "fault",
            .newValue = starts ? "fault" : "ok",
            .text = std::move(text)};
}

}  // namespace

void FaultWatch::surveyed(const mesh::Mesh& mesh, int lostAfter, WallTime now,
                          std::vector<Event>& events) {
    for (const mesh::Fault& fault : mesh.faults) {
        const auto kind = watchedKind(fault.kind);
        if (!kind) continue;
        FaultKey key{*kind, fault.ports, fault.nodes};
        if (m_faults.holds(key, fault.text))
            events.push_back(faultEvent(key, EventPhase::Starts, now, fault.text));
    }
    for (const auto& [key, text] : m_faults.endUnseen(lostAfter))
        events.push_back(faultEvent(key, EventPhase::Ends, now, "gone: " + text));
}

}  // namespace watch
