#include "LinePacer.h"

#include <algorithm>

#include "LineTime.h"

namespace sim {

LinePacer::Clock::duration LinePacer::lineTime(std::size_t bytes) const {
    return std::chrono::duration_cast<Clock::duration>(
        proto::lineTime(bytes, m_timing.baud, m_timing.parity));
}

bool LinePacer::push(Clock::time_point now, proto::Bytes bytes) {
    if (bytes.empty()) return true;
    if (m_queue.size() + bytes.size() > kOutputBufferBytes) return false;
    const std::size_t pieces = std::clamp<std::size_t>(m_timing.pieces, 1, bytes.size());
    const Clock::time_point start = std::max(now + m_timing.delay, m_lineFree);
    std::size_t next = 0;
    for (std::size_t piece = 0; piece < pieces; ++piece) {
        // Pieces differ in size by one byte at most; the longer ones come first.
        const std::size_t end = next + bytes.size() / pieces + (piece < bytes.size() % pieces);
        for (; next < end; ++next) {
            // A byte has arrived once its stop bit is through.
            m_queue.push_back(
                {start + lineTime(next + 1) + m_timing.gap * static_cast<std::int64_t>(piece),
                 bytes[next]});
        }
    }
    m_lineFree = m_queue.back().due;
    return true;
}

std::vector<std::uint8_t> LinePacer::takeDue(Clock::time_point now) {
    std::vector<std::uint8_t> due;
    while (!m_queue.empty() && m_queue.front().due <= now) {
        due.push_back(m_queue.front().byte);
        m_queue.pop_front();
    }
    return due;
}

void LinePacer::putBack(proto::Bytes bytes) {
    for (auto byte = bytes.rbegin(); byte != bytes.rend(); ++byte) {
        m_queue.push_front({Clock::time_point{}, *byte});  // the clock's epoch: due at once
    }
}

std::optional<LinePacer::Clock::time_point> LinePacer::nextDue() const {
    if (m_queue.empty()) return std::nullopt;
    return m_queue.front().due;
}

}  // namespace sim
