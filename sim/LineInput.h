#pragma once
// What the tool writes, as the module's UART takes it in. A terminal hands over at once all the
// tool wrote; a real line carries one byte per byte time (a start bit, 8 data bits, a parity bit
// when the line has parity, a stop bit) into the module's input buffer of kInputBufferBytes. A
// tool that writes faster than that fills the buffer: what comes while it is full is dropped, and
// so is all that comes until the line has carried what the buffer held, so that the module starts
// again on a fresh write rather than on one byte in twenty. Time is passed in, so the pace can be
// driven without a clock.

#include <chrono>
#include <cstddef>
#include <deque>
#include <vector>

#include "LinePacer.h"

namespace sim {

// The longest frame (260 bytes) and the start of the next one.
inline constexpr std::size_t kInputBufferBytes = 512;

class LineInput {
  public:
    using Clock = LinePacer::Clock;

    LineInput(unsigned baud, proto::Parity parity) : m_baud(baud), m_parity(parity) {}

    // count bytes the tool wrote, handed over at now: for each byte the buffer takes, oldest
    // first, when the line has carried it. The bytes after those are dropped.
    std::vector<Clock::time_point> arrive(Clock::time_point now, std::size_t count);
    // Bytes taken from now on cross at this rate (0: at once); those taken keep their times.
    void setRate(unsigned baud, proto::Parity parity) {
        m_baud = baud;
        m_parity = parity;
    }
    // The cable was pulled: nothing is on its way any more.
    void drop() {
        m_onTheLine.clear();
        m_overrun = false;
    }

  private:
    unsigned m_baud;
    proto::Parity m_parity;
    std::deque<Clock::time_point> m_onTheLine;  // when each byte in the buffer will have crossed
    bool m_overrun = false;                     // dropping until the buffer has emptied
};

}  // namespace sim
