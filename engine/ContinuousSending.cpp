#include "ContinuousSending.h"

namespace engine {

void ContinuousSending::start(int intervalTicks) {
    m_counter = 0;
    m_interval = intervalTicks;
    m_linkTest.emplace();
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
    return running() && m_linkTest->displayDue();
}

void ContinuousSending::countSend() {
    if (running()) m_linkTest->countSend();
}

void ContinuousSending::countConfirmation(std::uint8_t status,
                                          std::chrono::steady_clock::duration roundTrip) {
    if (running()) m_linkTest->countConfirmation(status, roundTrip);
}

const proto::LinkStatistics& ContinuousSending::figures() const {
    static const proto::LinkStatistics kNone;
    return running() ? m_linkTest->statistics() : kNone;
}

proto::LinkStatistics ContinuousSending::stop() {
    proto::LinkStatistics figures = m_linkTest ? m_linkTest->finish() : proto::LinkStatistics{};
    m_linkTest.reset();
    return figures;
}

}  // namespace engine
