#pragma once
// Continuous sending's counter and interval. Its run is measured as a link test by the
// engine's SendLoop.

#include <chrono>

namespace engine {

class ContinuousSending {
  public:
    // How long a send of the run waits for its confirmation.
    static constexpr std::chrono::seconds kReplyTimeout{10};

    void start(int intervalTicks);
    void setInterval(int intervalTicks) { m_interval = intervalTicks; }
    bool running() const { return m_running; }
    int counter() const { return running() ? m_counter : -1; }
    int interval() const { return m_interval; }

    // One tick of the run: true when the next send is due, once every interval + 1 ticks.
    bool step();
    // True on the run's first tick and then once a second, so the figures on show are
    // refreshed no more often than that.
    bool figuresDue();

    void stop() { m_running = false; }

  private:
    bool m_running = false;
    int m_counter = 0;
    int m_interval = 0;
    int m_ticks = 0;
};

}  // namespace engine
