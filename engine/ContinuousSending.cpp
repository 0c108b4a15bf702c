#include "ContinuousSending.h"

#include "Ticks.h"

namespace engine {

namespace {
constexpr int kTicksPerSecond = std::chrono::seconds(1) / proto::kTickPeriod;
}  // namespace

void ContinuousSending::start(int intervalTicks) {
    m_counter = 0;
    m_interval = intervalTicks;
    m_ticks = 0;
    m_running = true;
}

bool ContinuousSending::step() {
    if (!running()) return false;
    const int old = m_counter;
    m_counter = old + 1;
    if (old < m_interval) return false;
    m_counter = 0;
    return true;
}

bool ContinuousSending::figuresDue() {
    return running() && m_ticks++ % kTicksPerSecond == 0;
}

}  // namespace engine
