#include "SendLoop.h"

#include <utility>
#include <vector>

#include "SendNames.h"

namespace engine {

void SendLoop::restart() {
    endWaiting(ExchangeFailure::NoReply);
    m_trial = LinkTrial(Clock::duration::zero());
    m_measuring = true;
}

proto::LinkStatistics SendLoop::finish(LinkTrial::Waiting waiting) {
    const proto::LinkStatistics figures = m_trial.finish(waiting);
    endWaiting(ExchangeFailure::NoReply);
    m_measuring = false;
    return figures;
}

int SendLoop::handed(Clock::time_point now, Clock::duration timeout, int exchange) {
    const int send = m_trial.countHanded(now, timeout);
    if (exchange != 0) m_exchanges.emplace(send, exchange);
    return send;
}

void SendLoop::written(int send, Clock::time_point onWire) {
    m_trial.written(send, onWire);
}

void SendLoop::unsent(int send) {
    m_trial.unsent(send);
    end(send, {.failure = ExchangeFailure::NotSent});
}

void SendLoop::read(const proto::ReadFrame& frame) {
    if (const std::optional<LinkTrial::Answer> counted = m_trial.countFrame(frame))
        answer(*counted, frame);
}

// The sends before the one answered were past their time-out: the link test passed over them.
void SendLoop::answer(const LinkTrial::Answer& counted, const proto::ReadFrame& frame) {
    m_events.sendAnswered(counted, frame);
    if (counted.send == 0) return;
    while (!m_exchanges.empty() && m_exchanges.begin()->first < counted.send)
        end(m_exchanges.begin()->first, {.failure = ExchangeFailure::NoReply, .written = true});
    ExchangeEnd answered{.frame = frame.bytes, .written = true, .roundTripMs = counted.roundTripMs};
    if (counted.verdict == LinkTrial::Verdict::Late) {
        answered.failure = ExchangeFailure::NoReply;
    } else if (!counted.status) {
        answered.failure = frame.checkOk ? ExchangeFailure::CutShort : ExchangeFailure::BadCheck;
    } else {
        answered.reply = proto::decodeReply(frame.bytes);
        if (*counted.status != proto::kStatusOk) answered.failure = ExchangeFailure::Refused;
    }
    end(counted.send, std::move(answered));
}

void SendLoop::expire(Clock::time_point now) {
    std::vector<int> expired;
    m_trial.expire(now, [&expired](int send) { expired.push_back(send); });
    for (const int send : expired) {
        m_events.sendUnanswered(send);
        end(send, {.failure = ExchangeFailure::NoReply, .written = true});
    }
}

void SendLoop::forget(int exchange) {
    std::erase_if(m_exchanges,
                  [exchange](const auto& waiting) { return waiting.second == exchange; });
}

void SendLoop::portGone() {
    endWaiting(ExchangeFailure::Lost);
}

void SendLoop::end(int send, ExchangeEnd end) {
    const auto waiting = m_exchanges.find(send);
    if (waiting == m_exchanges.end()) return;
    const int exchange = waiting->second;
    m_exchanges.erase(waiting);
    m_events.exchangeEnded(exchange, end);
}

void SendLoop::endWaiting(ExchangeFailure why) {
    for (const auto& [send, exchange] : std::exchange(m_exchanges, {}))
        m_events.exchangeEnded(exchange, {.failure = why});
}

}  // namespace engine
