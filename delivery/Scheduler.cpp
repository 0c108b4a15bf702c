#include "Scheduler.h"

#include <algorithm>
#include <utility>

namespace delivery {

namespace {

std::optional<Clock::time_point> endOf(const Plan& plan, Clock::time_point start) {
    if (!plan.duration) return std::nullopt;
    return start + *plan.duration;
}

}  // namespace

Scheduler::Scheduler(const Plan& plan, Clock::time_point start)
    : m_pairs(plan.pairs),
      m_interval(pacedInterval(plan)),
      m_count(plan.count),
      m_end(endOf(plan, start)),
      m_made(plan.pairs.size(), 0) {
    std::vector<std::size_t> senderOfPort(plan.ports.size(), m_pairs.size());
    for (std::size_t pair = 0; pair < m_pairs.size(); ++pair) {
        std::size_t& sender = senderOfPort[m_pairs[pair].from];
        if (sender == m_pairs.size()) {
            sender = m_senders.size();
            m_senders.emplace_back();
        }
        m_senders[sender].pairs.push_back(pair);
    }
    const auto senders = static_cast<Clock::rep>(m_senders.size());
    for (Clock::rep k = 0; k < senders; ++k) m_senders[k].next = start + m_interval * k / senders;
}

std::optional<std::size_t> Scheduler::takeTurn(Sender& sender, const Presence& presence) {
    const std::size_t targets = sender.pairs.size();
    for (std::size_t step = 0; step < targets; ++step) {
        const std::size_t pair = sender.pairs[(sender.turn + step) % targets];
        if (made(pair) || !presence.present(m_pairs[pair])) continue;
        sender.turn = (sender.turn + step + 1) % targets;
        ++m_made[pair];
        return pair;
    }
    return std::nullopt;
}

std::vector<std::size_t> Scheduler::due(Clock::time_point now, const Presence& presence) {
    std::vector<std::pair<Clock::time_point, std::size_t>> due;
    for (Sender& sender : m_senders) {
        if (now < sender.next || (m_end && sender.next >= *m_end)) continue;
        if (const auto pair = takeTurn(sender, presence)) due.emplace_back(sender.next, *pair);
        sender.next += m_interval * ((now - sender.next) / m_interval + 1);
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::size_t> pairs;
    for (const auto& [slot, pair] : due) pairs.push_back(pair);
    return pairs;
}

bool Scheduler::sendsLeft(const Sender& sender) const {
    return std::any_of(sender.pairs.begin(), sender.pairs.end(),
                       [this](std::size_t pair) { return !made(pair); });
}

bool Scheduler::over(Clock::time_point now) const {
    if (m_end && now >= *m_end) return true;
    return std::none_of(m_senders.begin(), m_senders.end(),
                        [this](const Sender& sender) { return sendsLeft(sender); });
}

std::optional<Clock::time_point> Scheduler::nextDue() const {
    std::optional<Clock::time_point> next;
    for (const Sender& sender : m_senders)
        if (sendsLeft(sender) && (!next || sender.next < *next)) next = sender.next;
    if (next && m_end && *next >= *m_end) return std::nullopt;
    return next;
}

}  // namespace delivery
