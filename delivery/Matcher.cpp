#include "Matcher.h"

#include <algorithm>
#include <utility>

#include "SendNames.h"

namespace delivery {

namespace {

std::uint32_t pairKey(std::size_t from, std::size_t to) {
    return static_cast<std::uint32_t>(from << 16 | to);
}

bool confirmedOk(const std::optional<Confirmation>& confirmation) {
    return confirmation && confirmation->status == proto::kStatusOk;
}

bool confirmedFailure(const std::optional<Confirmation>& confirmation) {
    return confirmation && confirmation->status && *confirmation->status != proto::kStatusOk;
}

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
    // A notice read on another port's thread can carry a time taken a little before the writer
    // took the time of the request's last byte.
    return std::max(0.0, std::chrono::duration<double, std::milli>(to - from).count());
}

}  // namespace

Matcher::Matcher(const Plan& plan)
    : m_run(plan.run),
      m_timeout(plan.timeout),
      m_count(plan.count),
      m_pairs(plan.pairs.size()),
      m_unconfirmed(plan.ports.size()),
      m_presence(plan.ports.size()) {
    std::vector<int> targets(plan.ports.size(), 0);
    for (const Pair& pair : plan.pairs) ++targets[pair.from];
    const double interval = std::chrono::duration<double>(plan.interval).count();
    for (std::size_t pair = 0; pair < plan.pairs.size(); ++pair) {
        PairSummary& figures = m_pairs[pair].figures;
        m_pairs[pair].pair = plan.pairs[pair];
        figures.from = plan.pairs[pair].from;
        figures.to = plan.pairs[pair].to;
        figures.asked = plan.count;
        figures.rate.asked = 1 / (interval * targets[figures.from]);
        m_pairOf.emplace(pairKey(plan.pairs[pair].from, plan.pairs[pair].to), pair);
    }
}

Tag Matcher::tagFor(std::size_t pair) const {
    const PairState& state = m_pairs[pair];
    return {m_run, static_cast<std::uint16_t>(state.pair.from),
            static_cast<std::uint16_t>(state.pair.to), state.nextSequence};
}

void Matcher::sent(std::size_t pair, Clock::time_point writtenAt, int number) {
    forgetOld(pair, writtenAt);
    PairState& state = m_pairs[pair];
    if (state.figures.sent + state.figures.leftOut == 0) state.firstSentAt = writtenAt;
    state.lastSentAt = writtenAt;
    const std::uint32_t sequence = state.nextSequence++;
    state.records.push_back({sequence, writtenAt});
    ++state.figures.sent;
    ++state.figures.pending;
    ++m_waiting;
    std::deque<SendRef>& unconfirmed = m_unconfirmed[state.pair.from];
    while (!unconfirmed.empty()) {
        const Record* oldest = find(unconfirmed.front().pair, unconfirmed.front().sequence);
        if (oldest && oldest->state == State::Waiting) break;
        unconfirmed.pop_front();
    }
    unconfirmed.push_back({pair, sequence, number});
    m_deadlines.push_back({pair, sequence, number, writtenAt + m_timeout});
    for (const Early& early : std::exchange(state.early, {}))
        arrived(early.port, early.tag, early.at);
}

void Matcher::unwritten(std::size_t pair) {
    ++m_pairs[pair].figures.notSent;
}

// Sends older than the memory keeps; one still waiting there had its time-out long ago, unless
// a pair sends so fast that it fills the memory within one time-out.
void Matcher::forgetOld(std::size_t pair, Clock::time_point now) {
    std::deque<Record>& records = m_pairs[pair].records;
    while (!records.empty() && (records.size() >= kMostRemembered ||
                                now - records.front().sentAt >= kRememberedTimeOuts * m_timeout)) {
        if (records.front().state == State::Waiting) settle(pair, records.front());
        records.pop_front();
    }
}

Matcher::Record* Matcher::find(std::size_t pair, std::uint32_t sequence) {
    std::deque<Record>& records = m_pairs[pair].records;
    if (records.empty() || sequence < records.front().sequence) return nullptr;
    const std::size_t index = sequence - records.front().sequence;
    return index < records.size() ? &records[index] : nullptr;
}

bool Matcher::pastTimeOut(const Record& record, Clock::time_point at) const {
    return at - record.sentAt >= m_timeout;
}

void Matcher::confirmed(std::size_t sender, int number, std::optional<std::uint8_t> status,
                        Clock::time_point at) {
    std::deque<SendRef>& unconfirmed = m_unconfirmed[sender];
    // The link test passes over the sends it counts as without a reply.
    while (!unconfirmed.empty() && unconfirmed.front().number < number) unconfirmed.pop_front();
    if (unconfirmed.empty() || unconfirmed.front().number != number) return;
    const SendRef send = unconfirmed.front();
    unconfirmed.pop_front();
    Record* record = find(send.pair, send.sequence);
    if (!record || record->state != State::Waiting || pastTimeOut(*record, at)) return;
    record->confirmation = Confirmation{status, at};
    if (!record->arrivedAt) return;
    if (confirmedFailure(record->confirmation)) ++m_pairs[send.pair].figures.falseFail;
    settle(send.pair, *record);
}

void Matcher::noticed(std::size_t port, proto::Bytes notice, Clock::time_point at) {
    const std::vector<Tag> tags = tagsIn(notice);
    if (tags.empty()) {
        ++m_others.untagged;
        tell(NoticeSeen{port, at, NoticeKind::Untagged});
        return;
    }
    for (const Tag& tag : tags) {
        if (tag.run == m_run) {
            arrived(port, tag, at);
            continue;
        }
        ++m_others.earlierRun;
        tell(NoticeSeen{port, at, NoticeKind::EarlierRun});
    }
}

void Matcher::arrived(std::size_t port, const Tag& tag, Clock::time_point at) {
    NoticeSeen notice{port, at, NoticeKind::Unsent, Pair{tag.from, tag.to}, tag.sequence};
    const auto known = m_pairOf.find(pairKey(tag.from, tag.to));
    const std::size_t pair = known == m_pairOf.end() ? m_pairs.size() : known->second;
    Record* record = nullptr;
    if (pair != m_pairs.size() && tag.sequence == m_pairs[pair].nextSequence &&
        m_pairs[pair].early.size() < kMostEarly) {
        m_pairs[pair].early.push_back({port, tag, at});
        return;
    }
    if (pair == m_pairs.size() || tag.sequence == 0 || tag.sequence >= m_pairs[pair].nextSequence) {
        unsent(port, at);
        return;
    }
    if (tag.to != port) {
        notice.kind = NoticeKind::Misdelivered;
        ++m_others.misdelivered;
    } else if (record = find(pair, tag.sequence); !record) {
        notice.kind = NoticeKind::Late;  // so long after its send that it is forgotten
        ++m_pairs[pair].figures.late;
    } else if (record->state == State::LeftOut) {
        notice.kind = NoticeKind::LeftOut;
    } else if (record->arrivedAt) {
        notice.kind = NoticeKind::Duplicate;
        ++m_pairs[pair].figures.duplicates;
    } else {
        firstArrival(pair, *record, notice);
    }
    tell(notice);
    // Data in time for a confirmed send is all there is to know of it.
    if (notice.kind == NoticeKind::Delivered && record->confirmation) settle(pair, *record);
}

void Matcher::unsent(std::size_t port, Clock::time_point at) {
    ++m_others.unsent;
    tell(NoticeSeen{port, at, NoticeKind::Unsent});
}

void Matcher::firstArrival(std::size_t pair, Record& record, NoticeSeen& notice) {
    PairState& state = m_pairs[pair];
    const bool late = pastTimeOut(record, notice.at);
    if (late && record.state == State::Waiting) settle(pair, record);
    record.arrivedAt = notice.at;
    notice.latencyMs = millisecondsBetween(record.sentAt, notice.at);
    notice.outOfOrder = record.sequence < state.newestArrived;
    notice.falseFail = confirmedFailure(record.confirmation);
    state.newestArrived = std::max(state.newestArrived, record.sequence);
    state.figures.outOfOrder += notice.outOfOrder;
    state.figures.falseFail += notice.falseFail;
    if (late) {
        notice.kind = NoticeKind::Late;
        ++state.figures.late;
        return;
    }
    notice.kind = NoticeKind::Delivered;
    ++state.figures.delivered;
    --state.figures.pending;
    state.latency.add(notice.latencyMs);
}

// The send's fate with what is known now: delivered when its data came in time.
void Matcher::settle(std::size_t pair, Record& record) {
    PairState& state = m_pairs[pair];
    record.state = State::Settled;
    --m_waiting;
    SendOutcome outcome{state.pair, record.sequence, record.sentAt, record.confirmation};
    if (record.arrivedAt) {
        outcome.arrivedAt = record.arrivedAt;
        outcome.latencyMs = millisecondsBetween(record.sentAt, *record.arrivedAt);
        outcome.verdict = Verdict::Delivered;
        outcome.falseFail = confirmedFailure(record.confirmation);
    } else {
        --state.figures.pending;
        outcome.falseOk = confirmedOk(record.confirmation);
        state.figures.falseOk += outcome.falseOk;
    }
    tell(outcome);
}

void Matcher::leaveOut(std::size_t pair, Record& record) {
    if (record.arrivedAt) {
        settle(pair, record);
        return;
    }
    PairState& state = m_pairs[pair];
    record.state = State::LeftOut;
    --m_waiting;
    --state.figures.sent;
    --state.figures.pending;
    ++state.figures.leftOut;
    tell(SendOutcome{state.pair, record.sequence, record.sentAt, record.confirmation, std::nullopt,
                     0, Verdict::LeftOut});
}

void Matcher::advance(Clock::time_point now) {
    while (!m_deadlines.empty()) {
        const SendRef& send = m_deadlines.front();
        Record* record = find(send.pair, send.sequence);
        if (record && record->state == State::Waiting) {
            if (!pastTimeOut(*record, now)) return;
            settle(send.pair, *record);
        }
        m_deadlines.pop_front();
    }
}

std::optional<Clock::time_point> Matcher::nextDeadline() const {
    if (m_deadlines.empty()) return std::nullopt;
    return m_deadlines.front().deadline;
}

void Matcher::portLost(std::size_t port) {
    m_presence.setAway(port, true);
    for (std::size_t pair = 0; pair < m_pairs.size(); ++pair) {
        if (m_pairs[pair].pair.from != port && m_pairs[pair].pair.to != port) continue;
        for (Record& record : m_pairs[pair].records)
            if (record.state == State::Waiting) leaveOut(pair, record);
    }
    m_unconfirmed[port].clear();
}

void Matcher::portBack(std::size_t port) {
    m_presence.setAway(port, false);
}

void Matcher::cutShort() {
    for (std::size_t pair = 0; pair < m_pairs.size(); ++pair) {
        for (Record& record : m_pairs[pair].records)
            if (record.state == State::Waiting) leaveOut(pair, record);
        for (const Early& early : std::exchange(m_pairs[pair].early, {}))
            unsent(early.port, early.at);
        PairSummary& figures = m_pairs[pair].figures;
        if (m_count)
            figures.notSent = std::max(figures.notSent, *m_count - figures.sent - figures.leftOut);
    }
}

std::vector<Event> Matcher::takeEvents() {
    return std::exchange(m_events, {});
}

Summary Matcher::summary() const {
    Summary summary = m_others;
    for (const PairState& state : m_pairs) {
        PairSummary figures = state.figures;
        const int gone = figures.sent + figures.leftOut;
        const std::chrono::duration<double> span = state.lastSentAt - state.firstSentAt;
        if (gone > 1 && span.count() > 0) figures.rate.reached = (gone - 1) / span.count();
        if (state.latency.count() > 0)
            figures.latencyMs = Latency{state.latency.nearestRank(0.5),
                                        state.latency.nearestRank(0.95), state.latency.max()};
        summary.pairs.push_back(figures);
    }
    return summary;
}

}  // namespace delivery
