#pragma once
// One delivery test as a face runs it: the scheduler says which sends are due, the matcher
// follows them. The face writes each send's request and hands the matcher the time it went out,
// the confirmations its link tests match, the notices its target ports read and the ports it
// loses and gets back; it calls the matcher's advance, and prints or plots the events and the
// summary. Nothing here reads a clock or touches a port; the face drives it from one thread.

#include <cstddef>
#include <optional>
#include <vector>

#include "Matcher.h"
#include "Plan.h"
#include "Scheduler.h"

namespace delivery {

class DeliveryRun {
  public:
    // Throws std::invalid_argument where checkPlan does.
    DeliveryRun(Plan plan, Clock::time_point start);

    struct Send {
        std::size_t pair = 0;  // in the plan
        Pair ports{};
        // The plan's request, with the target's node and this send's tagged data.
        proto::SendDataRequest request{};
    };
    // The sends due by now, earliest first. Each one written goes to matcher().sent.
    std::vector<Send> due(Clock::time_point now);

    // Every send has been made and has its fate. A pair whose port stays away keeps the run
    // from finishing while it has a count to make: the face decides when a port is gone.
    bool finished(Clock::time_point now) const;
    // When due or the matcher's advance has something to do next; nothing when only frames
    // and ports can change anything.
    std::optional<Clock::time_point> nextWake() const;

    const Plan& plan() const { return m_plan; }
    Matcher& matcher() { return m_matcher; }
    const Matcher& matcher() const { return m_matcher; }

  private:
    const Plan m_plan;
    Scheduler m_scheduler;
    Matcher m_matcher;
};

}  // namespace delivery
