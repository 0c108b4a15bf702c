#include "LinkTest.h"

#include <algorithm>

#include "Ticks.h"

namespace engine {

namespace {
constexpr int kTicksPerSecond = std::chrono::seconds(1) / proto::kTickPeriod;
}  // namespace

void LinkTest::countSend() {
    if (m_waiting) m_statistics.countNoReply();
    m_statistics.countSent();
    m_waiting = true;
}

void LinkTest::countConfirmation(std::uint8_t status,
                                 std::chrono::steady_clock::duration roundTrip) {
    if (!m_waiting) return;
    m_waiting = false;
    const std::chrono::duration<double, std::milli> ms = roundTrip;
    m_statistics.countConfirmation(status, std::max(0.0, ms.count()));
}

bool LinkTest::displayDue() {
    return m_ticks++ % kTicksPerSecond == 0;
}

const proto::LinkStatistics& LinkTest::finish() {
    if (m_waiting) m_statistics.countNoReply();
    m_waiting = false;
    return m_statistics;
}

}  // namespace engine
