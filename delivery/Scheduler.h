#pragma once
// When each send of a delivery test goes out: every sender sends to its targets in turn, one
// send an interval, never more often than its line carries a send (pacedInterval). Senders are
// spread evenly over the interval so that they do not all key up at once. A sender that fell behind
// (the face came late) sends once and keeps its own beat rather than sending the turns it missed in
// a burst. Time is whatever the face passes in.

#include <cstddef>
#include <optional>
#include <vector>

#include "Plan.h"
#include "Presence.h"

namespace delivery {

class Scheduler {
  public:
    // plan must pass checkPlan.
    Scheduler(const Plan& plan, Clock::time_point start);

    // The pairs, by index in the plan, whose sends are due by now, earliest first, at most one
    // per sender. A pair that is away or has made its count gives its turn to the sender's
    // next target; with none left the turn passes.
    std::vector<std::size_t> due(Clock::time_point now, const Presence& presence);

    // No send falls due again: every pair has made its count, or the duration is over.
    bool over(Clock::time_point now) const;
    // When a send may next fall due; nothing when none will.
    std::optional<Clock::time_point> nextDue() const;

  private:
    struct Sender {
        std::vector<std::size_t> pairs{};  // its targets' pairs, in the plan's order
        std::size_t turn = 0;              // the one whose turn is next
        Clock::time_point next{};
    };

    std::optional<std::size_t> takeTurn(Sender& sender, const Presence& presence);
    bool made(std::size_t pair) const { return m_count && m_made[pair] >= *m_count; }
    bool sendsLeft(const Sender& sender) const;

    const std::vector<Pair> m_pairs;
    const Clock::duration m_interval;
    const std::optional<int> m_count;
    const std::optional<Clock::time_point> m_end;
    std::vector<Sender> m_senders;
    std::vector<int> m_made;  // per pair
};

}  // namespace delivery
