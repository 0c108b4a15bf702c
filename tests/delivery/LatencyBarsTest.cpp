#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "LatencyBars.h"

namespace delivery {

void PrintTo(const LatencyBins& bins, std::ostream* out) {
    *out << bins.count << " bars of " << bins.widthMs << " ms from " << bins.startMs;
}

namespace {

using Latencies = std::vector<double>;

Latencies evenly(double from, double to, int count) {
    Latencies spread;
    for (int i = 0; i < count; ++i) spread.push_back(from + (to - from) * i / (count - 1));
    return spread;
}

Latencies repeated(double ms, int count) {
    return Latencies(static_cast<std::size_t>(count), ms);
}

Latencies joined(Latencies first, const Latencies& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

struct BinsCase {
    std::string name;
    Latencies latencies;
    LatencyBins bins;
};

void PrintTo(const BinsCase& row, std::ostream* out) {
    *out << row.name;
}

class ChosenBins : public testing::TestWithParam<BinsCase> {};

TEST_P(ChosenBins, FollowTheSpreadAndHoldEveryLatency) {
    LatencyTally tally;
    for (const double ms : GetParam().latencies) tally.add(ms);
    const LatencyBins bins = chooseBins(tally.spread());
    EXPECT_EQ(bins, GetParam().bins);
    const std::vector<int> heights = tally.heights(bins);
    EXPECT_EQ(std::accumulate(heights.begin(), heights.end(), std::size_t{0}),
              GetParam().latencies.size());
}

INSTANTIATE_TEST_SUITE_P(
    DataSets, ChosenBins,
    testing::Values(
        BinsCase{"none", {}, {0, 1, 0}}, BinsCase{"one", {52.4}, {52, 1, 1}},
        BinsCase{"all_within_one_ms", evenly(10.1, 10.9, 9), {10, 1, 1}},
        // Sturges: 20 ms over 7 bars = 2.9 ms, narrower than 2 x 10 ms between the quartiles /
        // 40^(1/3) = 5.8 ms; rounded to 2.
        BinsCase{"105_to_125_ms_40_sends", evenly(105, 125, 40), {104, 2, 11}},
        // 2 x 10 / 1000^(1/3) = 2 ms, Sturges 1.8 ms: rounded to 2.
        BinsCase{"105_to_125_ms_1000_sends", evenly(105, 125, 1000), {104, 2, 11}},
        // The quartiles fall in different clusters: Sturges, 160 ms over 9 bars, rounded to 20.
        BinsCase{"two_clusters", joined(evenly(40, 50, 100), evenly(180, 200, 100)), {40, 20, 9}},
        // No spread between the quartiles: Sturges, 200 ms over 8 bars, rounded to 20.
        BinsCase{
            "one_value_and_outliers", joined(repeated(100, 90), repeated(300, 10)), {100, 20, 11}},
        // 2 ms bars would be 2450 of them: the round width that fits 40 or fewer.
        BinsCase{"one_far_outlier", joined(evenly(105, 125, 1000), {5000}), {0, 200, 26}},
        BinsCase{"nonsense_as_zero", {-3, std::nan("")}, {0, 1, 1}}));

}  // namespace

}  // namespace delivery
