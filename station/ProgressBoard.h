#pragma once
// What a person at the station sees. On a terminal, one row per unit at work (port, adapter
// serial, step, elapsed) redrawn in place below the lines of the units that have ended; on
// anything else, only those lines, one per unit, so a log file reads cleanly.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace station {

enum class UnitStep { kOpening, kReading, kWriting, kReadingBack };
const char* stepName(UnitStep step);

class ProgressBoard {
  public:
    using Clock = std::chrono::steady_clock;

    ProgressBoard(std::ostream& out, bool live);
    ~ProgressBoard();
    ProgressBoard(const ProgressBoard&) = delete;
    ProgressBoard& operator=(const ProgressBoard&) = delete;

    void begin(const std::string& port, const std::string& serial);
    void step(const std::string& port, UnitStep step);
    // The unit's line, printed once above the rows of the units still at work.
    void finish(const std::string& port, const std::string& line);
    // A line of the station's own, such as the shift's counts.
    void note(const std::string& line);

    // The rows as drawn now; the live view redraws exactly this.
    std::string rows(Clock::time_point now) const;

  private:
    struct Row {
        std::string port;
        std::string serial;
        UnitStep step = UnitStep::kOpening;
        Clock::time_point started;
    };
    void print(const std::string& lines);  // with the lock held
    void redrawEvery();

    std::ostream& m_out;
    const bool m_live;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::vector<Row> m_rows;
    std::size_t m_drawn = 0;  // rows on screen below the ended units' lines
    std::thread m_redraw;     // keeps elapsed times moving in the live view
};

}  // namespace station
