#include "Plan.h"

#include <algorithm>
#include <random>
#include <stdexcept>
#include <utility>

#include "Tag.h"

namespace delivery {

std::vector<Pair> allPairs(std::size_t ports) {
    std::vector<Pair> pairs;
    for (std::size_t from = 0; from < ports; ++from)
        for (std::size_t to = 0; to < ports; ++to)
            if (from != to) pairs.push_back({from, to});
    return pairs;
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
