#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "DeliveryRun.h"
#include "SendNames.h"

namespace delivery {
namespace {

using std::chrono::milliseconds;

const Clock::time_point kPlanStart{std::chrono::hours(1)};

// COM200 (node 1) and COM201 (node 7) send to each other through relays 3 and 4.
Plan twoPorts() {
    Plan plan;
    plan.ports = {{"COM200", 1}, {"COM201", 7}};
    plan.pairs = allPairs(2);
    plan.request.routeMode = proto::kRouteModeSource;
    plan.request.relays = {3, 4};
    plan.request.jump = 7;
    plan.size = 30;
    plan.interval = milliseconds(200);
    plan.count = 1;
    plan.timeout = milliseconds(1000);
    plan.run = 42;
    return plan;
}

struct RefusedCase {
    std::string name;
    std::function<void(Plan&)> change;
};

void PrintTo(const RefusedCase& row, std::ostream* out) {
    *out << row.name;
}

class RefusedPlans : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedPlans, NeverStart) {
    Plan plan = twoPorts();
    GetParam().change(plan);
    EXPECT_THROW(DeliveryRun(plan, kPlanStart), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RefusedPlans,
    testing::Values(
        RefusedCase{"port_to_itself",
                    [](Plan& p) {
                        p.pairs.push_back({1, 1});
                    }},
        RefusedCase{"pair_twice",
                    [](Plan& p) {
                        p.pairs.push_back({0, 1});
                    }},
        RefusedCase{"port_missing",
                    [](Plan& p) {
                        p.pairs.push_back({0, 2});
                    }},
        RefusedCase{"smaller_than_the_tag", [](Plan& p) { p.size = kTagSize - 1; }},
        // Two relays leave 112 bytes for data.
        RefusedCase{"more_than_a_send_holds", [](Plan& p) { p.size = 113; }},
        RefusedCase{"no_interval", [](Plan& p) { p.interval = {}; }},
        RefusedCase{"no_time_out", [](Plan& p) { p.timeout = milliseconds(-1); }},
        RefusedCase{"count_of_zero", [](Plan& p) { p.count = 0; }},
        RefusedCase{"no_duration", [](Plan& p) { p.duration = Clock::duration::zero(); }},
        RefusedCase{"more_ports_than_a_tag_names", [](Plan& p) { p.ports.resize(65537); }}),
    [](const auto& info) { return info.param.name; });

TEST(DeliveryRun, AcceptsTheLargestSendItHolds) {
    Plan plan = twoPorts();
    plan.size = 112;
    EXPECT_NO_THROW(DeliveryRun(plan, kPlanStart));
}

// Each send is the plan's request to its target's node with its own tagged data, and the run
// finishes once the last send has its fate.
TEST(DeliveryRun, SendsTaggedRequestsAndFinishesWhenAllAreSettled) {
    DeliveryRun run(twoPorts(), kPlanStart);
    std::vector<DeliveryRun::Send> sends = run.due(kPlanStart);
    ASSERT_EQ(sends.size(), 1u);
    const DeliveryRun::Send& first = sends.front();
    EXPECT_EQ(first.ports, (Pair{0, 1}));
    EXPECT_EQ(first.request.target, 7);
    EXPECT_EQ(first.request.routeMode, proto::kRouteModeSource);
    EXPECT_EQ(first.request.relays, (std::vector<std::uint16_t>{3, 4}));
    EXPECT_EQ(first.request.data.size(), 30u);
    EXPECT_EQ(tagsIn(first.request.data), (std::vector<Tag>{{42, 0, 1, 1}}));
    run.matcher().sent(first.pair, kPlanStart + milliseconds(20), 1);
    EXPECT_EQ(run.nextWake(), kPlanStart + milliseconds(100));  // COM201's turn

    sends = run.due(kPlanStart + milliseconds(100));
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sends.front().request.target, 1);
    run.matcher().sent(sends.front().pair, kPlanStart + milliseconds(120), 1);
    EXPECT_EQ(run.nextWake(), kPlanStart + milliseconds(1020));  // the first send's time-out
    EXPECT_FALSE(run.finished(kPlanStart + milliseconds(1019)));

    run.matcher().advance(kPlanStart + milliseconds(1020));
    EXPECT_FALSE(run.finished(kPlanStart + milliseconds(1020)));
    run.matcher().advance(kPlanStart + milliseconds(1120));
    EXPECT_TRUE(run.finished(kPlanStart + milliseconds(1120)));
    EXPECT_FALSE(run.nextWake().has_value());
}

// A lost port's pairs are not sent to while it is away.
TEST(DeliveryRun, SendsNothingToAPortAway) {
    Plan plan = twoPorts();
    plan.count.reset();
    DeliveryRun run(plan, kPlanStart);
    run.matcher().portLost(1);
    EXPECT_TRUE(run.due(kPlanStart + milliseconds(1000)).empty());
    run.matcher().portBack(1);
    EXPECT_EQ(run.due(kPlanStart + milliseconds(1200)).size(), 2u);
}

}  // namespace
}  // namespace delivery
