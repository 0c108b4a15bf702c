#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Scheduler.h"
#include "Tag.h"

namespace delivery {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

const Clock::time_point kRunStart{std::chrono::hours(1)};

Plan planOf(std::size_t ports, std::vector<Pair> pairs, int intervalMs, std::optional<int> count,
            std::optional<int> durationMs = std::nullopt) {
    Plan plan;
    plan.ports.resize(ports);
    plan.pairs = std::move(pairs);
    plan.interval = milliseconds(intervalMs);
    plan.count = count;
    if (durationMs) plan.duration = milliseconds(*durationMs);
    return plan;
}

// The same, its ports on a 9600 baud line and its sends the size of their tag.
Plan onTheLine(std::size_t ports, std::vector<Pair> pairs, int intervalMs,
               std::optional<int> count = 1,
               proto::LineSettings line = {9600, proto::Parity::kNone}) {
    Plan plan = planOf(ports, std::move(pairs), intervalMs, count);
    plan.size = kTagSize;
    plan.line = line;
    return plan;
}

// A port away from one time to another.
struct Absence {
    std::size_t port = 0;
    int fromMs = 0;
    int untilMs = 0;
};

struct ScheduleCase {
    std::string name;
    Plan plan;
    std::vector<int> ticks;  // when the face asks, in milliseconds from the start
    std::vector<Absence> absences;
    std::vector<std::string> sends;  // "tick:from>to"
    bool over = true;                // after the last tick
};

void PrintTo(const ScheduleCase& row, std::ostream* out) {
    *out << row.name;
}

std::vector<int> everyMs(int step, int until) {
    std::vector<int> ticks;
    for (int ms = 0; ms <= until; ms += step) ticks.push_back(ms);
    return ticks;
}

class Schedule : public testing::TestWithParam<ScheduleCase> {};

TEST_P(Schedule, SendsToEachTargetInTurn) {
    const ScheduleCase& row = GetParam();
    Scheduler scheduler(row.plan, kRunStart);
    Presence presence(row.plan.ports.size());
    std::vector<std::string> sends;
    for (const int ms : row.ticks) {
        for (const Absence& absence : row.absences)
            presence.setAway(absence.port, ms >= absence.fromMs && ms < absence.untilMs);
        for (const std::size_t pair : scheduler.due(kRunStart + milliseconds(ms), presence)) {
            const Pair& ports = row.plan.pairs[pair];
            sends.push_back(std::to_string(ms) + ":" + std::to_string(ports.from) + ">" +
                            std::to_string(ports.to));
        }
    }
    EXPECT_EQ(sends, row.sends);
    const Clock::time_point end = kRunStart + milliseconds(row.ticks.back());
    EXPECT_EQ(scheduler.over(end), row.over);
    EXPECT_EQ(scheduler.nextDue().has_value(), !row.over);
}

INSTANTIATE_TEST_SUITE_P(
    Plans, Schedule,
    testing::Values(
        // Three senders spread over the 300 ms interval, each taking its targets in turn.
        ScheduleCase{"all_pairs",
                     planOf(3, allPairs(3), 300, 2),
                     everyMs(50, 1500),
                     {},
                     {"0:0>1", "100:1>0", "200:2>0", "300:0>2", "400:1>2", "500:2>1", "600:0>1",
                      "700:1>0", "800:2>0", "900:0>2", "1000:1>2", "1100:2>1"}},
        ScheduleCase{"a_list",
                     planOf(3, {{0, 2}, {1, 2}, {0, 1}}, 300, 1),
                     everyMs(50, 900),
                     {},
                     {"0:0>2", "150:1>2", "300:0>1"}},
        ScheduleCase{"for_a_duration",
                     planOf(2, allPairs(2), 300, std::nullopt, 700),
                     everyMs(50, 1500),
                     {},
                     {"0:0>1", "150:1>0", "300:0>1", "450:1>0", "600:0>1"}},
        ScheduleCase{"until_stopped",
                     planOf(2, allPairs(2), 500, std::nullopt),
                     everyMs(250, 1000),
                     {},
                     {"0:0>1", "250:1>0", "500:0>1", "750:1>0", "1000:0>1"},
                     false},
        // A 27-byte send takes 28.125 ms of a 9600 baud line: 10 ms asked is not kept.
        ScheduleCase{"paced_to_the_line",
                     onTheLine(2, {{0, 1}}, 10, 3),
                     everyMs(1, 90),
                     {},
                     {"0:0>1", "29:0>1", "57:0>1"}},
        // A face a second late sends each sender's turn once, then keeps the beat.
        ScheduleCase{"face_comes_late",
                     planOf(2, allPairs(2), 100, 10),
                     {0, 1000, 1050, 1100},
                     {},
                     {"0:0>1", "1000:1>0", "1000:0>1", "1050:1>0", "1100:0>1"},
                     false},
        // While COM2 is away its pairs give their turns to the sender's other target.
        ScheduleCase{"port_away",
                     planOf(3, allPairs(3), 300, 2),
                     everyMs(50, 2000),
                     {{2, 0, 650}},
                     {"0:0>1", "100:1>0", "300:0>1", "400:1>0", "700:1>2", "800:2>0", "900:0>2",
                      "1000:1>2", "1100:2>1", "1200:0>2", "1400:2>0", "1700:2>1"}}),
    [](const auto& info) { return info.param.name; });

struct PacedCase {
    std::string name;
    Plan plan;
    Clock::duration interval;  // kept
};

class Pacing : public testing::TestWithParam<PacedCase> {};

// A send of 27 bytes in, its confirmation of 8 and its notice of 25 out: no port's line, either
// way, is asked to carry more in an interval than it can (to the microsecond above).
TEST_P(Pacing, StretchesTheIntervalToTheBusiestLine) {
    EXPECT_EQ(pacedInterval(GetParam().plan), GetParam().interval);
}

INSTANTIATE_TEST_SUITE_P(
    , Pacing,
    testing::Values(
        PacedCase{"one_pair", onTheLine(2, {{0, 1}}, 10), microseconds(28'125)},
        PacedCase{"asked_slower_than_the_line", onTheLine(2, {{0, 1}}, 100), milliseconds(100)},
        // Each port's module says a confirmation and a notice for every send it takes.
        PacedCase{"both_ways", onTheLine(2, allPairs(2), 10), microseconds(34'375)},
        PacedCase{"even_parity", onTheLine(2, {{0, 1}}, 10, 1, {9600, proto::Parity::kEven}),
                  microseconds(30'938)},
        PacedCase{"fast_line", onTheLine(2, {{0, 1}}, 10, 1, {115200, proto::Parity::kNone}),
                  milliseconds(10)},
        // Its targets share a sender's sends; one target hears all of its senders.
        PacedCase{"one_sender_two_targets", onTheLine(3, {{0, 1}, {0, 2}}, 10),
                  microseconds(28'125)},
        PacedCase{"three_senders_one_target", onTheLine(4, {{1, 0}, {2, 0}, {3, 0}}, 10),
                  microseconds(78'125)},
        PacedCase{"no_line", planOf(2, {{0, 1}}, 10, 1), milliseconds(10)}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace delivery
