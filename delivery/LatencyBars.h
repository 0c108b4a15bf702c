#pragma once
// The bars of a histogram of one-way latencies: their width chosen from the latencies' spread,
// the narrower of Freedman-Diaconis's (2 IQR / n^(1/3)) and Sturges' (the range over
// log2 n + 1 bars), so that neither a few far values nor two clusters hide the shape; rounded to
// a whole 1, 2 or 5 times a power of ten milliseconds, and widened until at most kMostBars cover
// the lowest to the highest. Latencies
// are tallied per whole millisecond, so memory follows how far they spread, not the run's length,
// and every bar's count is exact.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace delivery {

// Whole milliseconds.
struct LatencySpread {
    std::size_t count = 0;
    std::uint32_t lowest = 0;
    std::uint32_t highest = 0;
    std::uint32_t firstQuartile = 0;
    std::uint32_t thirdQuartile = 0;
};

struct LatencyBins {
    std::uint32_t startMs = 0;  // a multiple of the width, at or below the lowest latency
    std::uint32_t widthMs = 1;
    std::size_t count = 0;  // none before the first latency
    bool operator==(const LatencyBins&) const = default;
};

inline constexpr std::size_t kMostBars = 40;

// The smallest of 1, 2, 5, 10, 20, 50, ... that is at least `least`.
std::uint32_t roundStepAtLeast(double least);

LatencyBins chooseBins(const LatencySpread& spread);

class LatencyTally {
  public:
    void add(double ms);
    std::size_t count() const { return m_count; }
    LatencySpread spread() const;
    // The number of latencies in each bar.
    std::vector<int> heights(const LatencyBins& bins) const;

  private:
    std::uint32_t nearestRank(double share) const;

    std::map<std::uint32_t, std::uint32_t> m_perMs;  // how many latencies of each whole ms
    std::size_t m_count = 0;
};

}  // namespace delivery
