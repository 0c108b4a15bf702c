#pragma once
// Puts replies on the line the way a real UART would: after the module's reply delay, one byte
// every 10 bit times at the chosen baud rate, optionally in pieces with gaps between them.
// Time is passed in, so the schedule can be driven without a clock.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "Frame.h"

namespace sim {

struct LineTiming {
    unsigned baud = 9600;  // 0: no pacing, a reply goes out at once
    std::chrono::milliseconds delay{10};
    unsigned pieces = 1;
    std::chrono::milliseconds gap{0};  // between pieces
};

class LinePacer {
  public:
    using Clock = std::chrono::steady_clock;

    explicit LinePacer(LineTiming timing) : m_timing(timing) {}

    // Queues bytes answering something received at `now`; they follow what is already queued.
    void push(Clock::time_point now, proto::Bytes bytes);

    // The bytes whose time has come, oldest first.
    std::vector<std::uint8_t> takeDue(Clock::time_point now);

    // Bytes the line did not take yet go back in front, due at once.
    void putBack(proto::Bytes bytes);

    std::optional<Clock::time_point> nextDue() const;
    // How long the line takes to carry this many bytes.
    Clock::duration lineTime(std::size_t bytes) const;
    // Bytes queued from now on go at this rate; those already queued keep their times.
    void setBaud(unsigned baud) { m_timing.baud = baud; }
    // The cable was pulled: what was still to go is lost.
    void drop() {
        m_queue.clear();
        m_lineFree = {};
    }

  private:
    struct TimedByte {
        Clock::time_point due;
        std::uint8_t byte;
    };

    LineTiming m_timing;
    std::deque<TimedByte> m_queue;
    Clock::time_point m_lineFree{};  // when the last queued byte has been sent
};

}  // namespace sim
