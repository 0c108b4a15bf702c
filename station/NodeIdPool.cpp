#include "NodeIdPool.h"

namespace station {

std::optional<std::uint16_t> NodeIdPool::reserve(std::string_view unit) {
    const std::lock_guard lock(m_mutex);
    for (int id = m_range.first; id <= m_range.last; ++id) {
        const auto free = static_cast<std::uint16_t>(id);
        if (m_holders.try_emplace(free, unit).second) return free;
    }
    return std::nullopt;
}

bool NodeIdPool::keep(std::uint16_t id, const UnitName& unit) {
    if (!m_range.holds(id)) return false;
    const std::lock_guard lock(m_mutex);
    const auto [holder, added] = m_holders.try_emplace(id, unit.text);
    return added || (unit.namesModule && holder->second == unit.text);
}

void NodeIdPool::giveBack(std::uint16_t id, std::string_view unit) {
    const std::lock_guard lock(m_mutex);
    if (const auto holder = m_holders.find(id); holder != m_holders.end() && holder->second == unit)
        m_holders.erase(holder);
}

}  // namespace station
