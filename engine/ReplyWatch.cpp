#include "ReplyWatch.h"

#include <algorithm>

#include "ReplyEnd.h"

namespace engine {

void ReplyWatch::taken(proto::Bytes frame) {
    std::optional<proto::ExpectedReply> expected;
    if (frame.size() > proto::kTypeOffset && frame[proto::kTypeOffset] == proto::kTypeModule)
        expected = proto::expectedReplyTo(frame);
    m_requests.push_back({.expected = expected});
}

void ReplyWatch::taken(proto::Bytes frame, int exchange, Clock::duration timeout) {
    m_requests.push_back(
        {.expected = proto::expectedReplyTo(frame), .exchange = exchange, .timeout = timeout});
}

bool ReplyWatch::waitsForAnswer(const Request& request) {
    return !request.answered && (request.expected || request.exchange != 0);
}

// The frame reader keeps a spoiled frame only when it has the awaited reply's header.
bool ReplyWatch::answers(const Request& request, const proto::ReadFrame& frame) {
    if (!waitsForAnswer(request)) return false;
    return !request.expected || proto::opensExpectedReply(*request.expected, frame.bytes);
}

void ReplyWatch::written(Clock::time_point done) {
    const auto unwritten = std::find_if(m_requests.begin(), m_requests.end(),
                                        [](const Request& r) { return !r.written; });
    if (unwritten == m_requests.end()) return;
    unwritten->written = done;
    // Only a request whose answer is still awaited stays once written.
    std::erase_if(m_requests, [](const Request& r) { return r.written && !waitsForAnswer(r); });
}

std::optional<ReplyWatch::Answered> ReplyWatch::received(const proto::ReadFrame& frame) {
    if (frame.unsolicited || frame.bytes.size() <= proto::kCodeOffset) return std::nullopt;
    const auto answered = std::find_if(m_requests.begin(), m_requests.end(),
                                       [&](const Request& r) { return answers(r, frame); });
    if (answered == m_requests.end()) return std::nullopt;
    const Answered told{answered->exchange, answered->written};
    // One the port has not yet told written stays, so that the next written() is its own.
    if (answered->written)
        m_requests.erase(answered);
    else
        answered->answered = true;
    return told;
}

int ReplyWatch::takeOverdue(Clock::time_point now,
                            const std::function<void(int exchange)>& onOverdue) {
    const auto before = m_requests.size();
    std::erase_if(m_requests, [&](const Request& r) {
        const bool overdue = waitsForAnswer(r) && r.written && now - *r.written >= r.timeout;
        if (overdue && onOverdue) onOverdue(r.exchange);
        return overdue;
    });
    return static_cast<int>(before - m_requests.size());
}

std::optional<ReplyWatch::Clock::time_point> ReplyWatch::nextDeadline() const {
    std::optional<Clock::time_point> next;
    for (const Request& r : m_requests)
        if (waitsForAnswer(r) && r.written && (!next || *r.written + r.timeout < *next))
            next = *r.written + r.timeout;
    return next;
}

// One the port has not yet told written stays, unwatched, so that the next written() is its own.
void ReplyWatch::forget(int exchange) {
    for (Request& r : m_requests)
        if (r.exchange == exchange) r = {.written = r.written};
    std::erase_if(m_requests, [](const Request& r) { return r.written && !waitsForAnswer(r); });
}

std::vector<int> ReplyWatch::clear() {
    std::vector<int> awaited;
    for (const Request& r : m_requests)
        if (r.exchange != 0 && !r.answered) awaited.push_back(r.exchange);
    m_requests.clear();
    return awaited;
}

}  // namespace engine
