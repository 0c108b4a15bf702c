#pragma once
// One run of continuous sending measured as a link test: each send waits for its confirmation
// until the next send goes out, and a send still waiting when the run ends got no reply.

#include <chrono>
#include <cstdint>

#include "LinkStatistics.h"

namespace engine {

class LinkTest {
  public:
    void countSend();
    // Only the first confirmation after a send answers it; later ones are not counted.
    void countConfirmation(std::uint8_t status, std::chrono::steady_clock::duration roundTrip);
    // Called on every tick of the run: true on the first and then once a second, so the
    // figures on show are refreshed no more often than that.
    bool displayDue();
    const proto::LinkStatistics& statistics() const { return m_statistics; }
    const proto::LinkStatistics& finish();

  private:
    proto::LinkStatistics m_statistics;
    bool m_waiting = false;
    int m_ticks = 0;
};

}  // namespace engine
