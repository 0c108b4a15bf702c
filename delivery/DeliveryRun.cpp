#include "DeliveryRun.h"

#include <algorithm>
#include <utility>

namespace delivery {

namespace {

Plan checked(Plan plan) {
    checkPlan(plan);
    return plan;
}

}  // namespace

DeliveryRun::DeliveryRun(Plan plan, Clock::time_point start)
    : m_plan(checked(std::move(plan))), m_scheduler(m_plan, start), m_matcher(m_plan) {}

std::vector<DeliveryRun::Send> DeliveryRun::due(Clock::time_point now) {
    std::vector<Send> sends;
    for (const std::size_t pair : m_scheduler.due(now, m_matcher.presence())) {
        Send send{pair, m_plan.pairs[pair], m_plan.request};
        send.request.target = m_plan.ports[send.ports.to].node;
        send.request.data = taggedData(m_matcher.tagFor(pair), m_plan.size);
        sends.push_back(std::move(send));
    }
    return sends;
}

bool DeliveryRun::finished(Clock::time_point now) const {
    return m_scheduler.over(now) && m_matcher.settled();
}

std::optional<Clock::time_point> DeliveryRun::nextWake() const {
    const std::optional<Clock::time_point> send = m_scheduler.nextDue();
    const std::optional<Clock::time_point> deadline = m_matcher.nextDeadline();
    if (send && deadline) return std::min(*send, *deadline);
    return send ? send : deadline;
}

}  // namespace delivery
