#include "LineInput.h"

#include <algorithm>

#include "LineTime.h"

namespace sim {

std::vector<LineInput::Clock::time_point> LineInput::arrive(Clock::time_point now,
                                                            std::size_t count) {
    while (!m_onTheLine.empty() && m_onTheLine.front() <= now) m_onTheLine.pop_front();
    if (m_onTheLine.empty()) m_overrun = false;
    // A line without a pace of its own carries every byte at once: its buffer never fills.
    const std::size_t room = m_baud == 0 ? count
                             : m_overrun ? 0
                                         : kInputBufferBytes - m_onTheLine.size();
    const std::size_t taken = std::min(count, room);
    if (taken < count) m_overrun = true;
    const Clock::time_point start = m_onTheLine.empty() ? now : m_onTheLine.back();
    std::vector<Clock::time_point> crossed;
    crossed.reserve(taken);
    for (std::size_t bytes = 1; bytes <= taken; ++bytes)
        crossed.push_back(start + proto::lineTime(bytes, m_baud, m_parity));
    if (m_baud != 0) m_onTheLine.insert(m_onTheLine.end(), crossed.begin(), crossed.end());
    return crossed;
}

}  // namespace sim
