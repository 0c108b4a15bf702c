#pragma once
// One module's end of its serial line: cuts what the tool writes into frames, and puts what the
// module says on the line at its UART's pace, keeping what the terminal cannot take yet.

#include <poll.h>

#include <chrono>
#include <optional>
#include <vector>

#include "FrameParser.h"
#include "LinePacer.h"

namespace sim {

class ModuleLine {
  public:
    using Clock = LinePacer::Clock;

    explicit ModuleLine(LineTiming timing) : m_pacer(timing) {}

    // What poll() should wait for on the terminal.
    short pollEvents() const { return static_cast<short>(POLLIN | (m_lineFull ? POLLOUT : 0)); }
    // The terminal can take bytes again.
    void writable() { m_lineFull = false; }
    // When the line next has something to do: a byte due, or a frame left incomplete too long.
    std::optional<Clock::time_point> nextWake() const;

    // Reads what the terminal holds and cuts it into frames. Throws std::runtime_error when the
    // terminal fails.
    std::vector<Received> read(int terminal, Clock::time_point now);
    // A frame left incomplete this long will not be completed: the tool writes each request in
    // one go.
    std::vector<Received> takeStale(Clock::time_point now);
    // The terminal hands a request over at once; on a real line its last byte comes only after
    // the line has carried all of it, and the module hears it then.
    Clock::time_point heard(Clock::time_point now, std::size_t bytes) const {
        return now + m_pacer.lineTime(bytes);
    }

    // Queues what the module says in answer to something at `at`.
    void say(Clock::time_point at, proto::Bytes bytes) { m_pacer.push(at, bytes); }
    // Writes the bytes whose time has come. Throws std::runtime_error when the terminal fails.
    void write(int terminal, Clock::time_point now);
    // The cable was pulled: whatever was on its way in either direction is lost.
    void drop();
    void setBaud(unsigned baud) { m_pacer.setBaud(baud); }

  private:
    FrameParser m_parser;
    LinePacer m_pacer;
    Clock::time_point m_lastInput{};
    bool m_lineFull = false;  // the terminal took no more bytes; wait until it can
};

}  // namespace sim
