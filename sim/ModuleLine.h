#pragma once
// One module's end of its serial line: takes in what the tool writes at the line's pace, cuts it
// into frames, and puts what the module says on the line at its UART's pace, keeping what the
// terminal cannot take yet. Both ways the module holds only what its buffers hold; what it
// drops is counted and told once an episode.

#include <poll.h>

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "FrameParser.h"
#include "LineInput.h"
#include "LinePacer.h"
#include "Overflows.h"

namespace sim {

struct Heard {
    Received received;
    LinePacer::Clock::time_point at;  // when its last byte had crossed the line
};

class ModuleLine {
  public:
    using Clock = LinePacer::Clock;

    explicit ModuleLine(LineTiming timing) : m_input(timing.baud, timing.parity), m_pacer(timing) {}

    // What poll() should wait for on the terminal.
    short pollEvents() const { return static_cast<short>(POLLIN | (m_lineFull ? POLLOUT : 0)); }
    // The terminal can take bytes again.
    void writable() { m_lineFull = false; }
    // When the line next has something to do: a byte due, a frame left incomplete too long, or
    // an overflow to tell.
    std::optional<Clock::time_point> nextWake() const;

    // Reads what the terminal holds, takes in what the input buffer has room for and cuts it
    // into frames. Throws std::runtime_error when the terminal fails.
    std::vector<Heard> read(int terminal, Clock::time_point now);
    // A frame left incomplete this long will not be completed: the tool writes each request in
    // one go.
    std::vector<Heard> takeStale(Clock::time_point now);

    // Queues what the module says in answer to something at `at`; dropped, and counted, when
    // the output buffer has no room for it.
    void say(Clock::time_point at, proto::Bytes bytes);
    // Writes the bytes whose time has come. Throws std::runtime_error when the terminal fails.
    void write(int terminal, Clock::time_point now);
    // A log line for each overflow that has ended by now, such as
    // "COM200 input overflow: 4711 bytes dropped"; com names the module's port.
    std::vector<std::string> takeOverflows(Clock::time_point now, int com);
    // The cable was pulled: whatever was on its way in either direction is lost.
    void drop();
    // What the module takes in and says from now on goes at this rate.
    void setRate(unsigned baud, proto::Parity parity) {
        m_input.setRate(baud, parity);
        m_pacer.setRate(baud, parity);
    }

  private:
    std::vector<Heard> timed(std::vector<Received> received);

    FrameParser m_parser;
    std::deque<Clock::time_point> m_parsing;  // when each byte the parser holds crossed the line
    LineInput m_input;
    LinePacer m_pacer;
    Overflows m_inputDrops;   // bytes
    Overflows m_outputDrops;  // frames
    Clock::time_point m_lastInput{};
    bool m_lineFull = false;  // the terminal took no more bytes; wait until it can
};

}  // namespace sim
