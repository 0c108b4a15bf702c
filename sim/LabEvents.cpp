#include "LabEvents.h"

namespace sim {

std::optional<LabEvents::Clock::time_point> LabEvents::nextDue() const {
    if (m_queue.empty()) return std::nullopt;
    return m_queue.begin()->first;
}

std::vector<std::pair<LabEvents::Clock::time_point, LabEvent>> LabEvents::takeDue(
    Clock::time_point now) {
    std::vector<std::pair<Clock::time_point, LabEvent>> due;
    while (!m_queue.empty() && m_queue.begin()->first <= now) {
        auto node = m_queue.extract(m_queue.begin());
        due.emplace_back(node.key(), std::move(node.mapped()));
    }
    return due;
}

void LabEvents::dropFor(std::size_t module) {
    std::erase_if(m_queue, [module](const auto& entry) { return entry.second.module == module; });
}

}  // namespace sim
