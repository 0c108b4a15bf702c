#include "LinkTrial.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include "Messages.h"

namespace engine {

namespace {

// Sends past their time-out wait this long at most for a late confirmation, so that a week on
// a dead link holds no more memory than this; by then the order is lost anyway.
constexpr std::size_t kMostUnanswered = 4096;

double millisecondsBetween(LinkTrial::Clock::time_point from, LinkTrial::Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

int LinkTrial::countSend(Clock::time_point sent) {
    m_statistics.countSent();
    if (m_unanswered.size() == kMostUnanswered && m_unanswered.front().expired)
        m_unanswered.pop_front();
    m_unanswered.push_back({++m_sends, sent});
    return m_sends;
}

bool LinkTrial::pastTimeOut(const Unanswered& send, Clock::time_point at) const {
    return at - send.sent >= m_timeout;
}

// The oldest send waiting, or the oldest one still within its time-out where the oldest is past
// its own and the newer one's round trip is nearer the typical one.
LinkTrial::Queue::iterator LinkTrial::answeredBy(Clock::time_point arrived) {
    const auto oldest = m_unanswered.begin();
    if (!pastTimeOut(*oldest, arrived)) return oldest;
    const auto inTime = std::find_if(oldest, m_unanswered.end(), [&](const Unanswered& send) {
        return !pastTimeOut(send, arrived);
    });
    const std::optional<proto::LinkStatistics::RoundTrips> trips = m_statistics.roundTrips();
    if (inTime == m_unanswered.end() || !trips) return oldest;
    const auto offTypical = [&](const Unanswered& send) {
        return std::abs(millisecondsBetween(send.sent, arrived) - trips->median);
    };
    return offTypical(*inTime) < offTypical(*oldest) ? inTime : oldest;
}

LinkTrial::Answer LinkTrial::countConfirmation(std::optional<std::uint8_t> status,
                                               Clock::time_point arrived) {
    if (m_unanswered.empty()) {
        m_statistics.countUnmatched();
        return {Verdict::Unmatched, status};
    }
    const auto answered = answeredBy(arrived);
    // The sends passed over were past their time-out: without a reply, counted once.
    for (auto passed = m_unanswered.begin(); passed != answered; ++passed)
        if (!passed->expired) m_statistics.countNoReply();
    const Unanswered send = *answered;
    m_unanswered.erase(m_unanswered.begin(), answered + 1);
    // A module with no line of its own (native USB) can answer before the baud rate says the
    // line has carried the request.
    const double roundTripMs = std::max(0.0, millisecondsBetween(send.sent, arrived));
    if (pastTimeOut(send, arrived)) {
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

std::optional<LinkTrial::Answer> LinkTrial::countFrame(const proto::ReadFrame& frame) {
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

int LinkTrial::expire(Clock::time_point now) {
    int expired = 0;
    for (Unanswered& send : m_unanswered) {
        if (send.expired) continue;
        if (!pastTimeOut(send, now)) break;  // sent in order, so the rest are younger
        send.expired = true;
        m_statistics.countNoReply();
        ++expired;
    }
    return expired;
}

bool LinkTrial::waiting() const {
    return !m_unanswered.empty() && !m_unanswered.back().expired;
}

const proto::LinkStatistics& LinkTrial::finish(Waiting waiting) {
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
