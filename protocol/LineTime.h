#pragma once
// How long a serial line takes to carry bytes, and when a frame handed to it is through. Each
// byte is a start bit, 8 data bits, a parity bit unless the parity is none, and a stop bit. The
// line carries one frame after another: a frame handed over while the one before is still on its
// way is through only a line time after that one.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "LineSettings.h"

namespace proto {

constexpr std::int64_t bitsPerByte(Parity parity) {
    return parity == Parity::kNone ? 10 : 11;
}

// Nothing at baud 0, which stands for a line with no pace of its own.
constexpr std::chrono::nanoseconds lineTime(std::size_t bytes, unsigned baud,
                                            Parity parity = Parity::kNone) {
    if (baud == 0) return std::chrono::nanoseconds::zero();
    // Computed from the count, not summed byte by byte, so no rounding piles up.
    return std::chrono::nanoseconds(static_cast<std::int64_t>(bytes) * bitsPerByte(parity) *
                                    std::nano::den / baud);
}

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
