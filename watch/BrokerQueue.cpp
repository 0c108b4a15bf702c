#include "BrokerQueue.h"

#include <algorithm>

namespace watch {

void BrokerQueue::latest(BrokerMessage message) {
    auto [slot, added] = m_latest.try_emplace(message.topic, Latest{message, true, std::nullopt});
    if (added || slot->second.message == message) return;
    slot->second.message = std::move(message);
    slot->second.due = true;
}

void BrokerQueue::event(BrokerMessage message) {
    if (m_bound == 0) {
        ++m_dropped;
        return;
    }
    if (m_events.size() >= m_bound) {
        m_events.pop_front();
        ++m_dropped;
    }
    m_events.push_back({std::move(message), std::nullopt, false});
}

std::optional<BrokerQueue::Outgoing> BrokerQueue::nextLatest(bool retained) {
    for (auto& [topic, slot] : m_latest) {
        if (slot.message.retain != retained || !slot.due || slot.inFlight) continue;
        slot.due = false;
        slot.inFlight = ++m_lastId;
        return Outgoing{*slot.inFlight, slot.message};
    }
    return std::nullopt;
}

std::optional<BrokerQueue::Outgoing> BrokerQueue::next() {
    if (auto retained = nextLatest(true)) return retained;
    for (Queued& queued : m_events) {
        if (queued.inFlight || queued.acknowledged) continue;
        queued.inFlight = ++m_lastId;
        return Outgoing{*queued.inFlight, queued.message};
    }
    return nextLatest(false);
}

void BrokerQueue::acknowledged(std::uint64_t id) {
    for (auto& [topic, slot] : m_latest)
        if (slot.inFlight == id) slot.inFlight.reset();
    for (Queued& queued : m_events)
        if (queued.inFlight == id) queued.acknowledged = true;
    while (!m_events.empty() && m_events.front().acknowledged) m_events.pop_front();
}

void BrokerQueue::connectionLost() {
    for (auto& [topic, slot] : m_latest) {
        slot.due = slot.due || slot.inFlight || slot.message.retain;
        slot.inFlight.reset();
    }
    for (Queued& queued : m_events)
        if (!queued.acknowledged) queued.inFlight.reset();
}

bool BrokerQueue::settled() const {
    return m_events.empty() && std::ranges::none_of(m_latest, [](const auto& entry) {
               return entry.second.due || entry.second.inFlight;
           });
}

}  // namespace watch
