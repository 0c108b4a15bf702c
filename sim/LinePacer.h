#pragma once
// Puts replies on the line the way a real UART would: after the module's reply delay, one byte
// every byte time at the chosen baud rate and parity, optionally in pieces with gaps between
// them. What the module has yet to say waits in an output buffer of kOutputBufferBytes: a reply
// that does not fit is dropped whole, so a module asked more than its line can carry falls
// silent rather than minutes behind. Time is passed in, so the schedule can be driven without a
// clock.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "Frame.h"
#include "LineSettings.h"

namespace sim {

// Room for a route list reply (369 bytes) and what comes around it.
inline constexpr std::size_t kOutputBufferBytes = 1024;

struct LineTiming {
    unsigned baud = 9600;  // 0: no pacing, a reply goes out at once
    std::chrono::milliseconds delay{10};
    unsigned pieces = 1;
    std::chrono::milliseconds gap{0};  // between pieces
    proto::Parity parity = proto::Parity::kNone;
};

class LinePacer {
  public:
    using Clock = std::chrono::steady_clock;

    explicit LinePacer(LineTiming timing) : m_timing(timing) {}

    // Queues bytes answering something received at `now`; they follow what is already queued.
    // False, and nothing queued, when the output buffer has no room for all of them.
    bool push(Clock::time_point now, proto::Bytes bytes);

    // The bytes whose time has come, oldest first.
    std::vector<std::uint8_t> takeDue(Clock::time_point now);

    // Bytes the line did not take yet go back in front, due at once.
    void putBack(proto::Bytes bytes);

    std::optional<Clock::time_point> nextDue() const;
    // Bytes queued from now on go at this rate; those already queued keep their times.
    void setRate(unsigned baud, proto::Parity parity) {
        m_timing.baud = baud;
        m_timing.parity = parity;
    }
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

    Clock::duration lineTime(std::size_t bytes) const;

    LineTiming m_timing;
    std::deque<TimedByte> m_queue;
    Clock::time_point m_lineFree{};  // when the last queued byte has been sent
};

}  // namespace sim
