#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LinkStatistics.h"

namespace {

// One event of a link test: a send, a confirmation with its round trip, or a send left
// without a confirmation.
struct Event {
    enum Kind { Sent, Confirmed, NoReply } kind;
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
                    "max 12 ms"}),
    [](const auto& info) { return std::string(info.param.tag); });

TEST(LinkStatistics, RoundTripsAreNearestRank) {
    proto::LinkStatistics stats;
    for (int ms = 20; ms >= 1; --ms) stats.countConfirmation(0x00, ms);
    const auto trips = stats.roundTrips();
    ASSERT_TRUE(trips.has_value());
    EXPECT_EQ(trips->min, 1);
    EXPECT_EQ(trips->median, 10);
    EXPECT_EQ(trips->p95, 19);
    EXPECT_EQ(trips->max, 20);
    EXPECT_EQ(stats.ok(), 20);
    EXPECT_FALSE(proto::LinkStatistics{}.roundTrips().has_value());
}

}  // namespace
