#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "LinkStatistics.h"

namespace {

// The error the statistics promise for a percentile: 0.1 % of the value.
constexpr double kRoundTripError = 0.001;

// One event of a link test: a send, a confirmation with its round trip, a send left without a
// confirmation, a confirmation after its send's time-out or one that answers no send.
struct Event {
    enum Kind { Sent, Confirmed, NoReply, Late, Unmatched } kind;
    std::uint8_t status = 0;
    double roundTripMs = 0;
};

struct SummaryCase {
    const char* tag;
    std::vector<Event> events;
    const char* summary;
};

class Summary : public testing::TestWithParam<SummaryCase> {};

TEST_P(Summary, ReadsAsTheLogLine) {
    proto::LinkStatistics stats;
    for (const Event& e : GetParam().events) {
        if (e.kind == Event::Sent) stats.countSent();
        if (e.kind == Event::Confirmed) stats.countConfirmation(e.status, e.roundTripMs);
        if (e.kind == Event::NoReply) stats.countNoReply();
        if (e.kind == Event::Late) stats.countLate();
        if (e.kind == Event::Unmatched) stats.countUnmatched();
    }
    EXPECT_EQ(stats.summary(), GetParam().summary);
}

const Event kSent{Event::Sent};
const Event kNoReply{Event::NoReply};
Event confirmed(std::uint8_t status, double ms) {
    return {Event::Confirmed, status, ms};
}

INSTANTIATE_TEST_SUITE_P(
    LinkTests, Summary,
    testing::Values(
        SummaryCase{"NothingSent", {}, "Link test: 0 sent"},
        SummaryCase{
            "NoConfirmationNoRoundTrip", {kSent, kNoReply}, "Link test: 1 sent, 1 no reply"},
        SummaryCase{"StatusesInFirstSeenOrderWithoutFullStop",
                    {kSent, confirmed(0xC7, 41.4), kSent, confirmed(0x00, 38), kSent,
                     confirmed(0xE7, 97), kSent, confirmed(0xC7, 41.6), kSent, kNoReply},
                    "Link test: 5 sent, 1 ok, 2 Route not found, 1 Not received ACK, 1 no reply; "
                    "round trip min 38 ms, median 41 ms, max 97 ms"},
        SummaryCase{"StatusOutsideTableByHex",
                    {kSent, confirmed(0x5A, 12)},
                    "Link test: 1 sent, 1 status 5A; round trip min 12 ms, median 12 ms, "
                    "max 12 ms"},
        SummaryCase{
            "LateAndUnmatchedAfterNoReply",
            {kSent, kNoReply, {Event::Late}, {Event::Unmatched}, kSent, confirmed(0x00, 1400)},
            "Link test: 2 sent, 1 ok, 1 no reply, 1 late, 1 unmatched; round trip min "
            "1400 ms, median 1400 ms, max 1400 ms"}),
    [](const auto& info) { return std::string(info.param.tag); });

TEST(LinkStatistics, RoundTripsAreNearestRank) {
    proto::LinkStatistics stats;
    for (int ms = 20; ms >= 1; --ms) stats.countConfirmation(0x00, ms);
    const auto trips = stats.roundTrips();
    ASSERT_TRUE(trips.has_value());
    EXPECT_EQ(trips->min, 1);
    EXPECT_NEAR(trips->median, 10, 10 * kRoundTripError);
    EXPECT_NEAR(trips->p95, 19, 19 * kRoundTripError);
    EXPECT_EQ(trips->max, 20);
    EXPECT_EQ(stats.ok(), 20);
    EXPECT_FALSE(proto::LinkStatistics{}.roundTrips().has_value());
}

struct SpreadCase {
    const char* tag;
    std::function<double(std::mt19937&)> draw;
};

class Percentiles : public testing::TestWithParam<SpreadCase> {};

// However many round trips and however spread, each figure stays within the stated error of
// the exact nearest-rank value of all of them.
TEST_P(Percentiles, StayWithinTheStatedErrorOfTheExactValues) {
    constexpr int kRoundTrips = 200000;
    std::mt19937 random(7);
    proto::LinkStatistics stats;
    std::vector<double> all;
    for (int i = 0; i < kRoundTrips; ++i) {
        all.push_back(GetParam().draw(random));
        stats.countConfirmation(0x00, all.back());
    }
    std::sort(all.begin(), all.end());
    const auto exact = [&all](double p) {
        return all[static_cast<std::size_t>(std::ceil(p * static_cast<double>(all.size()))) - 1];
    };
    const auto trips = stats.roundTrips();
    ASSERT_TRUE(trips.has_value());
    EXPECT_EQ(trips->min, all.front());
    EXPECT_EQ(trips->max, all.back());
    const double floor = 0.01;  // below this the bins hold no finer value
    EXPECT_NEAR(trips->median, exact(0.5), std::max(floor, exact(0.5) * kRoundTripError));
    EXPECT_NEAR(trips->p95, exact(0.95), std::max(floor, exact(0.95) * kRoundTripError));
}

INSTANTIATE_TEST_SUITE_P(
    Spreads, Percentiles,
    testing::Values(
        SpreadCase{
            "SlowMesh",
            [](std::mt19937& r) { return std::uniform_real_distribution(900.0, 10000.0)(r); }},
        SpreadCase{"LongTail",
                   [](std::mt19937& r) { return std::lognormal_distribution(3.7, 1.0)(r); }},
        SpreadCase{"FewDistinct", [](std::mt19937& r) { return double(1 + r() % 3); }},
        SpreadCase{"BelowTheFinestBin",
                   [](std::mt19937& r) { return std::uniform_real_distribution(0.0, 0.02)(r); }}),
    [](const auto& info) { return std::string(info.param.tag); });

}  // namespace
