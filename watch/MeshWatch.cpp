#include "MeshWatch.h"

#include "PrintableText.h"

namespace watch {

namespace {

// Texts carry port names and the survey's reasons, which came from devices and servers: an
// event's line never drives a terminal, a log or a broker's reader.
std::vector<Event> printable(std::vector<Event> events) {
    for (Event& event : events) event.text = files::printableText(event.text);
    return events;
}

}  // namespace

void MeshWatch::setRules(const Rules& rules) {
    m_rules = rules;
    m_nodes.setLostAfter(rules.lostAfter);
}

std::vector<Event> MeshWatch::surveyed(std::shared_ptr<const mesh::Mesh> mesh, WallTime now) {
    std::vector<Event> events;
    const HeardNodes heard = heardIn(*mesh);
    m_ports.surveyed(*mesh);
    m_nodes.surveyed(heard, now, events);
    m_routes.surveyed(*mesh, heard, now, events);
    m_links.surveyed(*mesh, m_rules.weakLinkBelow, m_rules.lostAfter, now, events);
    m_faults.surveyed(*mesh, m_rules.lostAfter, now, events);
    m_lastMesh = std::move(mesh);
    return printable(std::move(events));
}

std::vector<Event> MeshWatch::heard(std::uint16_t node, const std::string& port, WallTime now) {
    std::vector<Event> events;
    if (node != proto::kEmptyNode) m_nodes.heard(node, {port, false}, now, events);
    return printable(std::move(events));
}

std::vector<Event> MeshWatch::portOpened(const std::string& port, WallTime now) {
    std::vector<Event> events;
    m_ports.opened(port, now, events);
    return printable(std::move(events));
}

std::vector<Event> MeshWatch::portFailed(const std::string& port, const std::string& reason,
                                         WallTime now) {
    std::vector<Event> events;
    m_ports.failed(port, reason, now, events);
    return printable(std::move(events));
}

std::vector<Event> MeshWatch::probed(const ProbePair& pair, bool delivered, WallTime now) {
    std::vector<Event> events;
    m_delivery.probed(pair, delivered, m_rules.delivery, now, events);
    for (Event& event : events) {
        if (const auto from = m_ports.ports().find(pair.from); from != m_ports.ports().end())
            event.node = from->second.node;
        if (const auto to = m_ports.ports().find(pair.to); to != m_ports.ports().end())
            event.peer = to->second.node;
    }
    return printable(std::move(events));
}

}  // namespace watch
