#include "LatencyBars.h"

#include <algorithm>
#include <cmath>

namespace delivery {

namespace {

// 1 -> 2 -> 5 -> 10 -> 20 -> ...
std::uint32_t nextRoundStep(std::uint32_t step) {
    std::uint32_t leading = step;
    while (leading >= 10) leading /= 10;
    return leading == 2 ? step / 2 * 5 : step * 2;
}

// The round step nearest to `width` on a log scale, at least 1 ms.
std::uint32_t nearestRoundStep(double width) {
    std::uint32_t step = 1;
    for (std::uint32_t next = nextRoundStep(step); width >= std::sqrt(double(step) * next);
         next = nextRoundStep(step))
        step = next;
    return step;
}

std::size_t barsOf(const LatencySpread& spread, std::uint32_t width) {
    return spread.highest / width - spread.lowest / width + 1;
}

}  // namespace

std::uint32_t roundStepAtLeast(double least) {
    std::uint32_t step = 1;
    while (step < least) step = nextRoundStep(step);
    return step;
}

LatencyBins chooseBins(const LatencySpread& spread) {
    if (spread.count == 0) return {};
    const double n = static_cast<double>(spread.count);
    const double quartiles = spread.thirdQuartile - spread.firstQuartile;
    const double sturges = (spread.highest - spread.lowest) / (std::ceil(std::log2(n)) + 1);
    // Where half the latencies are one value, the spread between the quartiles says nothing.
    const double width = quartiles > 0 ? std::min(2 * quartiles / std::cbrt(n), sturges) : sturges;
    std::uint32_t step = nearestRoundStep(width);
    while (barsOf(spread, step) > kMostBars) step = nextRoundStep(step);
    return {spread.lowest / step * step, step, barsOf(spread, step)};
}

void LatencyTally::add(double ms) {
    constexpr double kHighest = 1e8;  // over a day: nothing waits that long for its data
    ++m_perMs[static_cast<std::uint32_t>(std::clamp(std::isnan(ms) ? 0 : ms, 0.0, kHighest))];
    ++m_count;
}

std::uint32_t LatencyTally::nearestRank(double share) const {
    const auto rank =
        std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(share * double(m_count))));
    std::size_t below = 0;
    for (const auto& [ms, count] : m_perMs)
        if ((below += count) >= rank) return ms;
    return m_perMs.rbegin()->first;
}

LatencySpread LatencyTally::spread() const {
    if (m_count == 0) return {};
    return {m_count, m_perMs.begin()->first, m_perMs.rbegin()->first, nearestRank(0.25),
            nearestRank(0.75)};
}

std::vector<int> LatencyTally::heights(const LatencyBins& bins) const {
    std::vector<int> heights(bins.count);
    for (const auto& [ms, count] : m_perMs) {
        if (ms < bins.startMs) continue;
        const std::size_t bar = (ms - bins.startMs) / bins.widthMs;
        if (bar < heights.size()) heights[bar] += static_cast<int>(count);
    }
    return heights;
}

}  // namespace delivery
