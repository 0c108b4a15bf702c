#include "Plan.h"

#include <algorithm>
#include <random>
#include <stdexcept>
#include <utility>

#include "LineClock.h"
#include "Tag.h"

namespace delivery {

std::vector<Pair> allPairs(std::size_t ports) {
    std::vector<Pair> pairs;
    for (std::size_t from = 0; from < ports; ++from)
        for (std::size_t to = 0; to < ports; ++to)
            if (from != to) pairs.push_back({from, to});
    return pairs;
}

// Every send of a plan, every confirmation and every notice of its data has the same size,
// whichever its target. A sender's line takes its send in and gives its confirmation out; a
// target's gives out the notice of each send that reaches it, one interval in so many as its
// sender has targets.
Clock::duration busiestLineTime(const Plan& plan) {
    if (!plan.line) return Clock::duration::zero();
    const proto::LineClock line(*plan.line);
    proto::SendDataRequest send = plan.request;
    send.data.resize(plan.size);
    const Clock::duration request = line.carries(proto::encode(send).size());
    const Clock::duration confirmation = line.carries(proto::encode(proto::SendStatus{}).size());
    const Clock::duration notice = line.carries(
        proto::encode(proto::ReceiveNotice{proto::NoticeContent{0, 0, send.data}}).size());
    std::vector<Clock::duration::rep> targets(plan.ports.size(), 0);
    for (const Pair& pair : plan.pairs) ++targets[pair.from];
    std::vector<Clock::duration> out(plan.ports.size(), Clock::duration::zero());
    Clock::duration busiest = Clock::duration::zero();
    for (std::size_t port = 0; port < plan.ports.size(); ++port) {
        if (targets[port] == 0) continue;
        busiest = std::max(busiest, request);
        out[port] += confirmation;
    }
    for (const Pair& pair : plan.pairs) out[pair.to] += notice / targets[pair.from];
    for (const Clock::duration said : out) busiest = std::max(busiest, said);
    // Whole microseconds, so that the shares' rounding never leaves it a little short.
    return std::chrono::ceil<std::chrono::microseconds>(busiest);
}

Clock::duration pacedInterval(const Plan& plan) {
    return std::max(plan.interval, busiestLineTime(plan));
}

std::uint32_t drawRunId() {
    std::random_device device;
    return device();
}

void checkPlan(const Plan& plan) {
    const auto refuse = [](const char* why) { throw std::invalid_argument(why); };
    if (plan.ports.size() > kMostPorts) refuse("more ports than a tag can name");
    std::vector<std::pair<std::size_t, std::size_t>> named;
    for (const Pair& pair : plan.pairs) {
        if (pair.from >= plan.ports.size() || pair.to >= plan.ports.size())
            refuse("a pair names a port the plan lacks");
        if (pair.from == pair.to) refuse("a port cannot send to itself");
        named.emplace_back(pair.from, pair.to);
    }
    std::sort(named.begin(), named.end());
    if (std::adjacent_find(named.begin(), named.end()) != named.end())
        refuse("a pair is named twice");
    const SizeRange sizes = dataSizes(plan.request.routeMode, plan.request.relays.size());
    if (plan.size < sizes.least || plan.size > sizes.most)
        refuse("the data size is outside what a send can hold");
    if (plan.interval <= Clock::duration::zero() || plan.timeout <= Clock::duration::zero() ||
        (plan.count && *plan.count <= 0) ||
        (plan.duration && *plan.duration <= Clock::duration::zero()))
        refuse("intervals, time-outs, counts and durations must be positive");
}

}  // namespace delivery
