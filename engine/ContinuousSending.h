#pragma once
// Continuous sending's counter and interval, with its run measured as a link test.

#include <chrono>
#include <cstdint>
#include <optional>

#include "LinkTrial.h"

namespace engine {

class ContinuousSending {
  public:
    // How long a send of the run waits for its confirmation.
    static constexpr std::chrono::seconds kReplyTimeout{10};

    void start(int intervalTicks);
    void setInterval(int intervalTicks) { m_interval = intervalTicks; }
    bool running() const { return m_trial.has_value(); }
    int counter() const { return running() ? m_counter : -1; }
    int interval() const { return m_interval; }

    // One tick of the run: true when the next send is due, once every interval + 1 ticks.
    bool step();
    // True on the run's first tick and then once a second, so the figures on show are
    // refreshed no more often than that.
    bool figuresDue();

    // The link test of the run, while it runs.
    LinkTrial* trial() { return m_trial ? &*m_trial : nullptr; }
    const proto::LinkStatistics& figures() const;
    // Ends the run; the figures count a send still waiting as one without a reply.
    proto::LinkStatistics stop();

  private:
    std::optional<LinkTrial> m_trial;  // while the run lasts
    int m_counter = 0;
    int m_interval = 0;
    int m_ticks = 0;
};

}  // namespace engine
