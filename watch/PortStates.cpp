#include "PortStates.h"

#include "SpanText.h"

namespace watch {

namespace {

Event portEvent(const std::string& port, const PortState& state, EventPhase phase, WallTime now,
                std::string oldValue, std::string newValue, std::string text) {
    return {.time = now,
            .kind = EventKind::PortLost,
            .phase = phase,
            .port = port,
            .node = state.node,
            .oldValue = std::move(oldValue),
            .newValue = std::move(newValue),
            .text = std::move(text)};
}

}  // namespace

void PortStates::watching(const std::string& port, WallTime now) {
    m_ports.try_emplace(port, PortState{.since = now, .reason = "not opened yet"});
}

void PortStates::opened(const std::string& port, WallTime now, std::vector<Event>& events) {
    PortState& state = m_ports[port];
    const bool wasFailing = state.tried && !state.open;
    const auto closed = std::chrono::duration_cast<std::chrono::seconds>(now - state.since);
    state.open = true;
    state.tried = true;
    state.since = now;
    state.reason.clear();
    if (wasFailing)
        events.push_back(portEvent(port, state, EventPhase::Ends, now, "lost", "open",
                                   port + " is open again after " + forms::spanText(closed)));
}

void PortStates::failed(const std::string& port, const std::string& reason, WallTime now,
                        std::vector<Event>& events) {
    PortState& state = m_ports[port];
    if (state.tried && !state.open) return;  // still failing: said when it began
    const bool wasOpen = state.open;
    state.open = false;
    state.tried = true;
    state.since = now;
    state.reason = reason;
    events.push_back(portEvent(port, state, EventPhase::Starts, now, wasOpen ? "open" : "closed",
                               "lost",
                               port + (wasOpen ? " lost: " : " cannot be opened: ") + reason));
}

void PortStates::surveyed(const mesh::Mesh& mesh) {
    for (const mesh::Module& module : mesh::modulesOf(mesh.survey)) {
        const auto state = m_ports.find(mesh.survey[module.index].port);
        if (state != m_ports.end()) state->second.node = module.id;
    }
}

}  // namespace watch
