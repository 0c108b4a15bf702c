#pragma once
// When a frame handed to a serial line is through it. The line carries one frame after another:
// a frame handed over while the one before is still on its way is through only a line time
// after that one.

#include <algorithm>
#include <chrono>
#include <cstddef>

#include "LineSettings.h"
#include "LineTime.h"

namespace proto {

// One port's line, told when each frame was handed over whole; it reads no clock itself.
class LineClock {
  public:
    using Clock = std::chrono::steady_clock;

    // A line with no pace of its own: a frame is through when it is handed over.
    LineClock() = default;
    explicit LineClock(LineSettings line) : m_line(line) {}

    Clock::duration carries(std::size_t bytes) const {
        return std::chrono::duration_cast<Clock::duration>(
            lineTime(bytes, static_cast<unsigned>(std::max(m_line.baud, 0)), m_line.parity));
    }
    // Whether this many bytes can have come through the line within the time given, the first
    // already on its way when the time began: more cannot have, unless the line runs faster
    // than its baud rate says.
    bool couldCarry(std::size_t bytes, Clock::duration within) const {
        return bytes == 0 || carries(bytes - 1) <= within;
    }
    // A frame of this many bytes handed over whole at handedOver: when its last byte is through.
    Clock::time_point handOver(Clock::time_point handedOver, std::size_t bytes) {
        m_free = std::max(handedOver, m_free) + carries(bytes);
        return m_free;
    }
    // When the line has carried every frame handed over: a frame handed over then waits for
    // none of them.
    Clock::time_point free() const { return m_free; }

  private:
    LineSettings m_line{.baud = 0};
    Clock::time_point m_free{};
};

}  // namespace proto
