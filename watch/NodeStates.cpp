#include "NodeStates.h"

#include "SpanText.h"

namespace watch {

namespace {

std::string nodeWithPort(std::uint16_t node, const std::string& port) {
    const std::string name = "node " + std::to_string(node);
    return port.empty() ? name : name + " (" + port + ")";
}

Event nodeEvent(std::uint16_t node, const NodeState& state, EventPhase phase, WallTime now,
                std::string text) {
    const bool down = phase == EventPhase::Starts;
    return {.time = now,
            .kind = EventKind::NodeDown,
            .phase = phase,
            .port = state.port,
            .node = node,
            .oldValue = down ? "up" : "down",
            .newValue = down ? "down" : "up",
            .text = std::move(text)};
}

}  // namespace

void NodeStates::heard(std::uint16_t node, const HeardThrough& through, WallTime now,
                       std::vector<Event>& events) {
    NodeState& state = m_nodes[node];
    state.lastHeard = now;
    state.unheardSurveys = 0;
    // A node keeps the name of its own port while it is heard through others.
    if (through.own || !state.onPort) state.port = through.port;
    state.onPort = state.onPort || through.own;
    if (state.up) return;
    state.up = true;
    const auto down = std::chrono::duration_cast<std::chrono::seconds>(now - state.downSince);
    events.push_back(nodeEvent(
        node, state, EventPhase::Ends, now,
        nodeWithPort(node, state.port) + " is up again after " + forms::spanText(down) + " down"));
}

void NodeStates::surveyed(const HeardNodes& heard, WallTime now, std::vector<Event>& events) {
    for (auto& [node, state] : m_nodes) {
        if (heard.contains(node) || !state.up) continue;
        if (++state.unheardSurveys < m_lostAfter) continue;
        state.up = false;
        state.downSince = now;
        events.push_back(nodeEvent(node, state, EventPhase::Starts, now,
                                   nodeWithPort(node, state.port) + " is down: not heard in " +
                                       std::to_string(state.unheardSurveys) + " surveys"));
    }
    for (const auto& [node, through] : heard) this->heard(node, through, now, events);
}

}  // namespace watch
