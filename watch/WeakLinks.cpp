#include "WeakLinks.h"

#include <algorithm>
#include <string>

#include "HeardNodes.h"

namespace watch {

namespace {

std::string linkName(std::uint16_t from, std::uint16_t to) {
    return "the link " + std::to_string(from) + " - " + std::to_string(to);
}

Event linkEvent(const mesh::Mesh& mesh, LinkEnds link, EventPhase phase, WallTime now,
                std::string oldValue, std::string newValue, std::string text) {
    return {.time = now,
            .kind = EventKind::LinkWeak,
            .phase = phase,
            .port = portOfNode(mesh, link.first),
            .node = link.first,
            .peer = link.second,
            .oldValue = std::move(oldValue),
            .newValue = std::move(newValue),
            .text = std::move(text)};
}

}  // namespace

std::map<LinkEnds, int> linkValuesOf(const mesh::MeshGraph& graph) {
    std::map<LinkEnds, int> values;
    for (const mesh::MeshEdge& edge : graph.edges) {
        if (!edge.linkValue) continue;
        const LinkEnds ends = std::minmax(edge.from, edge.to);
        const int value = shownLinkValue(*edge.linkValue);
        const auto [known, added] = values.try_emplace(ends, value);
        if (!added) known->second = std::min(known->second, value);
    }
    return values;
}

void WeakLinks::surveyed(const mesh::Mesh& mesh, int below, int lostAfter, WallTime now,
                         std::vector<Event>& events) {
    std::map<LinkEnds, int> values = linkValuesOf(mesh.graph);
    const std::string threshold = std::to_string(below);
    for (const auto& [link, value] : values) {
        const std::string shown = std::to_string(value);
        if (value < below) {
            const auto before = m_lastValues.find(link);
            const std::string was =
                before == m_lastValues.end() ? "none" : std::to_string(before->second);
            if (m_weak.holds(link, value))
                events.push_back(linkEvent(mesh, link, EventPhase::Starts, now, was, shown,
                                           linkName(link.first, link.second) +
                                               " is weak: " + shown + ", below " + threshold));
        } else if (const auto was = m_weak.ended(link)) {
            events.push_back(
                linkEvent(mesh, link, EventPhase::Ends, now, std::to_string(*was), shown,
                          linkName(link.first, link.second) + " is no longer weak: " + shown +
                              ", was " + std::to_string(*was)));
        }
    }
    for (const auto& [link, was] : m_weak.endUnseen(lostAfter))
        events.push_back(linkEvent(mesh, link, EventPhase::Ends, now, std::to_string(was), "none",
                                   linkName(link.first, link.second) + " is no longer seen in " +
                                       std::to_string(lostAfter) + " surveys"));
    m_lastValues = std::move(values);
}

}  // namespace watch
