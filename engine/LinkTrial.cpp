#include "LinkTrial.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include "Dispatch.h"
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
    return count({.sent = sent, .timeout = m_timeout});
}

int LinkTrial::countHanded(Clock::time_point handed, Clock::duration timeout) {
    return count({.sent = handed, .timeout = timeout, .onWire = false});
}

int LinkTrial::count(Unanswered send) {
    m_statistics.countSent();
    if (m_unanswered.size() == kMostUnanswered && m_unanswered.front().expired)
        m_unanswered.pop_front();
    send.number = ++m_sends;
    m_unanswered.push_back(send);
    return m_sends;
}

// A send already answered keeps its answer.
void LinkTrial::written(int send, Clock::time_point onWire) {
    const auto found = find(send);
    if (found == m_unanswered.end()) return;
    found->sent = onWire;
    found->onWire = true;
}

void LinkTrial::unsent(int send) {
    const auto found = find(send);
    if (found == m_unanswered.end()) return;
    m_unanswered.erase(found);
    m_statistics.leaveOutSent(1);
}

LinkTrial::Queue::iterator LinkTrial::find(int send) {
    return std::find_if(m_unanswered.begin(), m_unanswered.end(),
                        [send](const Unanswered& waiting) { return waiting.number == send; });
}

// The time-out runs from the wire: a send still in the port's hands is not overdue.
bool LinkTrial::pastTimeOut(const Unanswered& send, Clock::time_point at) {
    return send.onWire && at - send.sent >= send.timeout;
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

// A confirmation cut short before its status answers its send as a spoiled one does.
std::optional<LinkTrial::Answer> LinkTrial::countFrame(const proto::ReadFrame& frame) {
    if (frame.unsolicited) return std::nullopt;
    std::optional<std::uint8_t> status;
    if (frame.checkOk) {
        if (proto::dispatchCode(frame.bytes) != proto::kReplySendStatus) return std::nullopt;
        const std::optional<proto::Reply> reply = proto::decodeReply(frame.bytes);
        if (const auto* confirmation = reply ? std::get_if<proto::SendStatus>(&*reply) : nullptr)
            status = confirmation->status;
    }
    return countConfirmation(status, frame.arrived);
}

// A face gives its sends one time-out at a time, so they end in the order they went out.
int LinkTrial::expire(Clock::time_point now, const std::function<void(int send)>& onExpired) {
    int expired = 0;
    for (Unanswered& send : m_unanswered) {
        if (send.expired) continue;
        if (!pastTimeOut(send, now)) break;
        send.expired = true;
        m_statistics.countNoReply();
        ++expired;
        if (onExpired) onExpired(send.number);
    }
    return expired;
}

std::optional<LinkTrial::Clock::time_point> LinkTrial::nextDeadline() const {
    for (const Unanswered& send : m_unanswered) {
        if (send.expired) continue;
        if (!send.onWire) return std::nullopt;
        return send.sent + send.timeout;
    }
    return std::nullopt;
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
