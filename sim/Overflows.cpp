#include "Overflows.h"

#include <algorithm>
#include <utility>

namespace sim {

void Overflows::count(Clock::time_point now, std::size_t dropped) {
    if (dropped == 0) return;
    m_dropped += dropped;
    m_lastDrop = std::max(m_lastDrop, now);
}

std::optional<Overflows::Clock::time_point> Overflows::endsAt() const {
    if (m_dropped == 0) return std::nullopt;
    return m_lastDrop + kQuietAfter;
}

std::optional<std::size_t> Overflows::takeEnded(Clock::time_point now) {
    const auto ends = endsAt();
    if (!ends || now < *ends) return std::nullopt;
    return std::exchange(m_dropped, 0);
}

}  // namespace sim
