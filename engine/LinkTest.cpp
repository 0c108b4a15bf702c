#include "LinkTest.h"

#include <variant>

#include "LineTime.h"
#include "Messages.h"

namespace engine {

namespace {

// Sends past their time-out wait this long at most for a late confirmation, so that a week on
// a dead link holds no more memory than this; by then the order is lost anyway.
constexpr std::size_t kMostUnanswered = 4096;

}  // namespace

LinkTest::Clock::duration LinkTest::shortestRoundTrip(proto::Bytes request, unsigned baud) {
    return std::chrono::duration_cast<Clock::duration>(
        proto::lineTime(request.size() + proto::kSendConfirmationMinSize, baud));
}

int LinkTest::countSend(Clock::time_point sent, Clock::duration shortestRoundTrip) {
    m_statistics.countSent();
    if (m_unanswered.size() == kMostUnanswered && m_unanswered.front().expired)
        m_unanswered.pop_front();
    m_unanswered.push_back({++m_sends, sent, shortestRoundTrip});
    return m_sends;
}

LinkTest::Answer LinkTest::countConfirmation(std::optional<std::uint8_t> status,
                                             Clock::time_point arrived) {
    if (m_unanswered.empty() ||
        arrived - m_unanswered.front().sent < m_unanswered.front().shortestRoundTrip) {
        m_statistics.countUnmatched();
        return {Verdict::Unmatched, status};
    }
    const Unanswered send = m_unanswered.front();
    m_unanswered.pop_front();
    const double roundTripMs =
        std::chrono::duration<double, std::milli>(arrived - send.sent).count();
    if (arrived - send.sent >= m_timeout) {
        if (!send.expired) m_statistics.countNoReply();
        m_statistics.countLate();
        return {Verdict::Late, status, send.number, roundTripMs};
    }
    if (status)
        m_statistics.countConfirmation(*status, roundTripMs);
    else
        m_statistics.countNoReply();
    return {Verdict::InTime, status, send.number, roundTripMs};
}

std::optional<LinkTest::Answer> LinkTest::countFrame(const proto::ReadFrame& frame) {
    if (frame.unsolicited) return std::nullopt;
    std::optional<std::uint8_t> status;
    if (frame.checkOk) {
        const std::optional<proto::Reply> reply = proto::decodeReply(frame.bytes);
        const auto* confirmation = reply ? std::get_if<proto::SendStatus>(&*reply) : nullptr;
        if (!confirmation) return std::nullopt;
        status = confirmation->status;
    }
    return countConfirmation(status, frame.arrived);
}

int LinkTest::expire(Clock::time_point now) {
    int expired = 0;
    for (Unanswered& send : m_unanswered) {
        if (send.expired) continue;
        if (now - send.sent < m_timeout) break;  // sent in order, so the rest are younger
        send.expired = true;
        m_statistics.countNoReply();
        ++expired;
    }
    return expired;
}

bool LinkTest::waiting() const {
    return !m_unanswered.empty() && !m_unanswered.back().expired;
}

const proto::LinkStatistics& LinkTest::finish(Waiting waiting) {
    for (const Unanswered& send : m_unanswered) {
        if (send.expired) continue;
        if (waiting == Waiting::NoReply)
            m_statistics.countNoReply();
        else
            m_statistics.leaveOutSent(1);
    }
    m_unanswered.clear();
    return m_statistics;
}

}  // namespace engine
