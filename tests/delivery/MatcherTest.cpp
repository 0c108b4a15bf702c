#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "HexBytes.h"
#include "Matcher.h"
#include "SendNames.h"

namespace delivery {
namespace {

using std::chrono::milliseconds;

constexpr std::uint32_t kRun = 0x5EED0001;
constexpr std::uint8_t kOk = proto::kStatusOk;
constexpr std::uint8_t kNoAck = proto::kStatusNoAck;
constexpr std::uint8_t kNoRoute = proto::kStatusRouteNotFound;
const Clock::time_point kStart{std::chrono::hours(1)};

Clock::time_point at(int ms) {
    return kStart + milliseconds(ms);
}

// COM200 sends to COM201 (pair 0) and COM202 (pair 2); COM201 sends back (pair 1).
Plan threePorts() {
    Plan plan;
    plan.ports = {{"COM200", 1}, {"COM201", 2}, {"COM202", 3}};
    plan.pairs = {{0, 1}, {1, 0}, {0, 2}};
    plan.size = 24;
    plan.timeout = milliseconds(1000);
    plan.run = kRun;
    return plan;
}

// The notice a module writes for data, as the protocol encodes it.
proto::Frame noticeOf(const std::vector<std::uint8_t>& data) {
    return proto::encode(proto::ReceiveNotice{proto::NoticeContent{1, 61, data}});
}

// One thing that happens in a run, at a time in milliseconds from its start.
struct Step {
    std::function<void(Matcher&, std::map<std::size_t, int>&)> apply;
};

Step send(std::size_t pair, int ms) {
    return {[=](Matcher& m, std::map<std::size_t, int>& numbers) {
        // Each sender's link test numbers its sends from 1.
        m.sent(pair, at(ms), ++numbers[threePorts().pairs[pair].from]);
    }};
}
Step confirm(std::size_t sender, int number, std::optional<std::uint8_t> status, int ms) {
    return {[=](Matcher& m, auto&) { m.confirmed(sender, number, status, at(ms)); }};
}
Step noticeAtPort(std::size_t port, proto::Frame notice, int ms) {
    return {[=](Matcher& m, auto&) { m.noticed(port, notice, at(ms)); }};
}
Step tagged(std::size_t port, std::size_t pair, std::uint32_t sequence, int ms,
            std::uint32_t run = kRun) {
    const Pair ports = threePorts().pairs[pair];
    const Tag tag{run, std::uint16_t(ports.from), std::uint16_t(ports.to), sequence};
    return noticeAtPort(port, noticeOf(taggedData(tag, 24)), ms);
}
// The send's data at its target.
Step arrives(std::size_t pair, std::uint32_t sequence, int ms) {
    return tagged(threePorts().pairs[pair].to, pair, sequence, ms);
}
Step advance(int ms) {
    return {[=](Matcher& m, auto&) { m.advance(at(ms)); }};
}
Step lost(std::size_t port) {
    return {[=](Matcher& m, auto&) { m.portLost(port); }};
}
Step back(std::size_t port) {
    return {[=](Matcher& m, auto&) { m.portBack(port); }};
}
Step cutShort() {
    return {[](Matcher& m, auto&) { m.cutShort(); }};
}
Step unwritten(std::size_t pair) {
    return {[=](Matcher& m, auto&) { m.unwritten(pair); }};
}

}  // namespace

void PrintTo(const PairSummary& f, std::ostream* out) {
    *out << "sent " << f.sent << " delivered " << f.delivered << " duplicates " << f.duplicates
         << " late " << f.late << " out_of_order " << f.outOfOrder << " false_ok " << f.falseOk
         << " false_fail " << f.falseFail << " pending " << f.pending << " left_out " << f.leftOut
         << " not_sent " << f.notSent;
}

namespace {

// Notices that belong to no pair: misdelivered, unsent, earlier run, untagged.
using Others = std::array<int, 4>;

std::string pairText(const Pair& pair) {
    return std::to_string(pair.from) + ">" + std::to_string(pair.to);
}

// "send 0>1 #1 not_delivered false_ok", "notice 0>1 #2 delivered out_of_order", "notice
// untagged".
std::string eventText(const Event& event) {
    if (const auto* send = std::get_if<SendOutcome>(&event)) {
        return "send " + pairText(send->pair) + " #" + std::to_string(send->sequence) + " " +
               std::string(verdictName(send->verdict)) + (send->falseOk ? " false_ok" : "") +
               (send->falseFail ? " false_fail" : "");
    }
    const auto& notice = std::get<NoticeSeen>(event);
    std::string text = "notice ";
    if (notice.pair) text += pairText(*notice.pair) + " #" + std::to_string(notice.sequence) + " ";
    return text + std::string(noticeKindName(notice.kind)) +
           (notice.outOfOrder ? " out_of_order" : "") + (notice.falseFail ? " false_fail" : "");
}

struct MatchCase {
    std::string name;
    std::vector<Step> steps;
    PairSummary figures;  // of pair 0, COM200 to COM201, but for its latency
    std::vector<std::string> events;
    Others others{};
};

void PrintTo(const MatchCase& row, std::ostream* out) {
    *out << row.name;
}

class Matching : public testing::TestWithParam<MatchCase> {};

TEST_P(Matching, CountsEachSendAndNoticeOnce) {
    Matcher matcher(threePorts());
    std::map<std::size_t, int> numbers;
    std::vector<std::string> events;
    for (const Step& step : GetParam().steps) {
        step.apply(matcher, numbers);
        for (const Event& event : matcher.takeEvents()) events.push_back(eventText(event));
    }
    const Summary summary = matcher.summary();
    PairSummary figures = summary.pairs[0];
    figures.latencyMs.reset();
    figures.rate = {};
    EXPECT_EQ(figures, GetParam().figures);
    EXPECT_EQ(events, GetParam().events);
    EXPECT_EQ((Others{summary.misdelivered, summary.unsent, summary.earlierRun, summary.untagged}),
              GetParam().others);
    EXPECT_TRUE(matcher.settled());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Matching,
    testing::Values(
        MatchCase{"delivered_then_confirmed",
                  {send(0, 0), arrives(0, 1, 40), confirm(0, 1, kOk, 60), advance(2000)},
                  {.to = 1, .sent = 1, .delivered = 1},
                  {"notice 0>1 #1 delivered", "send 0>1 #1 delivered"}},
        MatchCase{"duplicate",
                  {send(0, 0), confirm(0, 1, kOk, 30), arrives(0, 1, 50), arrives(0, 1, 70),
                   advance(2000), arrives(0, 1, 2100)},
                  {.to = 1, .sent = 1, .delivered = 1, .duplicates = 2},
                  {"notice 0>1 #1 delivered", "send 0>1 #1 delivered",
                   "notice 0>1 #1 duplicate", "notice 0>1 #1 duplicate"}},
        // At the time-out itself the data is late, even before advance settles its send.
        MatchCase{"late_before_its_send_settled",
                  {send(0, 0), confirm(0, 1, kOk, 20), advance(999), arrives(0, 1, 1000),
                   advance(2000)},
                  {.to = 1, .sent = 1, .late = 1, .falseOk = 1},
                  {"send 0>1 #1 not_delivered false_ok", "notice 0>1 #1 late"}},
        MatchCase{"late_after_its_send_settled",
                  {send(0, 0), advance(1000), arrives(0, 1, 1500), arrives(0, 1, 1600)},
                  {.to = 1, .sent = 1, .duplicates = 1, .late = 1},
                  {"send 0>1 #1 not_delivered", "notice 0>1 #1 late",
                   "notice 0>1 #1 duplicate"}},
        MatchCase{"out_of_order",
                  {send(0, 0), send(0, 100), arrives(0, 2, 150), arrives(0, 1, 200),
                   arrives(0, 4, 250), advance(2000)},
                  {.to = 1, .sent = 2, .delivered = 2, .outOfOrder = 1},
                  {"notice 0>1 #2 delivered", "notice 0>1 #1 delivered out_of_order", "notice unsent",
                   "send 0>1 #1 delivered", "send 0>1 #2 delivered"},
                  {0, 1, 0, 0}},
        MatchCase{"tag_of_an_earlier_run",
                  {send(0, 0), tagged(1, 0, 1, 50, kRun - 1), advance(1000)},
                  {.to = 1, .sent = 1},
                  {"notice earlier_run", "send 0>1 #1 not_delivered"},
                  {0, 0, 1, 0}},
        MatchCase{"ok_never_delivered",
                  {send(0, 0), confirm(0, 1, kOk, 40), advance(999), advance(1000)},
                  {.to = 1, .sent = 1, .falseOk = 1},
                  {"send 0>1 #1 not_delivered false_ok"}},
        // A spoiled confirmation says neither ok nor failure.
        MatchCase{"spoiled_confirmation",
                  {send(0, 0), confirm(0, 1, std::nullopt, 40), advance(1000)},
                  {.to = 1, .sent = 1},
                  {"send 0>1 #1 not_delivered"}},
        MatchCase{"data_after_a_failure",
                  {send(0, 0), confirm(0, 1, kNoAck, 20), arrives(0, 1, 40), send(0, 100),
                   confirm(0, 2, kNoRoute, 120), advance(1100), arrives(0, 2, 1300)},
                  {.to = 1, .sent = 2, .delivered = 1, .late = 1, .falseFail = 2},
                  {"notice 0>1 #1 delivered false_fail", "send 0>1 #1 delivered false_fail",
                   "send 0>1 #2 not_delivered", "notice 0>1 #2 late false_fail"}},
        MatchCase{"failure_after_the_data",
                  {send(0, 0), arrives(0, 1, 40), confirm(0, 1, kNoAck, 60), advance(1000)},
                  {.to = 1, .sent = 1, .delivered = 1, .falseFail = 1},
                  {"notice 0>1 #1 delivered", "send 0>1 #1 delivered false_fail"}},
        // Past the time-out a confirmation is the link test's late one: it says nothing.
        MatchCase{"confirmation_after_the_time_out",
                  {send(0, 0), arrives(0, 1, 50), confirm(0, 1, kNoAck, 1200), advance(2000)},
                  {.to = 1, .sent = 1, .delivered = 1},
                  {"notice 0>1 #1 delivered", "send 0>1 #1 delivered"}},
        // The sender's second send (to COM202) is answered; its first never is.
        MatchCase{"confirmation_passed_over",
                  {send(0, 0), send(2, 10), confirm(0, 2, kOk, 50), confirm(0, 1, kOk, 60),
                   advance(2000)},
                  {.to = 1, .sent = 1},
                  {"send 0>1 #1 not_delivered", "send 0>2 #1 not_delivered false_ok"}},
        // The module answers send 1 only once send 2 is out: each status stays with its send.
        MatchCase{"confirmation_after_the_next_send",
                  {send(0, 0), send(0, 100), confirm(0, 1, kOk, 150), arrives(0, 1, 160),
                   confirm(0, 2, kNoAck, 180), arrives(0, 2, 190), advance(2000)},
                  {.to = 1, .sent = 2, .delivered = 2, .falseFail = 1},
                  {"notice 0>1 #1 delivered", "send 0>1 #1 delivered",
                   "notice 0>1 #2 delivered false_fail", "send 0>1 #2 delivered false_fail"}},
        // Send 1's "ok" comes after its time-out, once send 2 is out: it is not send 2's.
        MatchCase{"late_confirmation_after_the_next_send",
                  {send(0, 0), advance(1000), send(0, 1100), confirm(0, 1, kOk, 1150),
                   confirm(0, 2, kNoAck, 1160), arrives(0, 2, 1170), advance(3000)},
                  {.to = 1, .sent = 2, .delivered = 1, .falseFail = 1},
                  {"send 0>1 #1 not_delivered", "notice 0>1 #2 delivered false_fail",
                   "send 0>1 #2 delivered false_fail"}},
        // A module with no line of its own answers before its baud rate says the send is on
        // the wire.
        MatchCase{"confirmation_timed_before_its_write",
                  {send(0, 100), confirm(0, 1, kNoAck, 98), arrives(0, 1, 99), advance(2000)},
                  {.to = 1, .sent = 1, .delivered = 1, .falseFail = 1},
                  {"notice 0>1 #1 delivered false_fail", "send 0>1 #1 delivered false_fail"}},
        // The target's port is read before the sender's reports its request written.
        MatchCase{"data_before_its_send_is_reported",
                  {arrives(0, 1, 40), send(0, 30), confirm(0, 1, kOk, 45), advance(2000)},
                  {.to = 1, .sent = 1, .delivered = 1},
                  {"notice 0>1 #1 delivered", "send 0>1 #1 delivered"}},
        MatchCase{"data_of_a_next_send_never_reported",
                  {send(0, 0), arrives(0, 1, 40), arrives(0, 2, 60), advance(2000), cutShort()},
                  {.to = 1, .sent = 1, .delivered = 1},
                  {"notice 0>1 #1 delivered", "send 0>1 #1 delivered", "notice unsent"},
                  {0, 1, 0, 0}},
        MatchCase{"data_at_another_port",
                  {send(0, 0), tagged(2, 0, 1, 50), advance(1000)},
                  {.to = 1, .sent = 1},
                  {"notice 0>1 #1 misdelivered", "send 0>1 #1 not_delivered"},
                  {1, 0, 0, 0}},
        MatchCase{"untagged",
                  {noticeAtPort(1, noticeOf(hexBytes("01 02")), 10)},
                  {.to = 1},
                  {"notice untagged"},
                  {0, 0, 0, 1}},
        MatchCase{"other_bytes_around_the_data",
                  {send(0, 0),
                   noticeAtPort(1,
                                [] {
                                    proto::Frame notice = hexBytes("05 00 82 22 00 01 3D 7F 7F C9");
                                    const auto data = taggedData({kRun, 0, 1, 1}, 24);
                                    notice.insert(notice.end(), data.begin(), data.end());
                                    return notice;
                                }(),
                                30),
                   advance(1000)},
                  {.to = 1, .sent = 1, .delivered = 1},
                  {"notice 0>1 #1 delivered", "send 0>1 #1 delivered"}},
        // The sender's cable pulled: its send still waiting is left out, and its data no
        // longer counts; one already delivered stays so. Back, the pair counts again.
        MatchCase{"port_lost_and_back",
                  {send(0, 0), arrives(0, 1, 40), send(0, 50), lost(0), arrives(0, 2, 120),
                   advance(1100), back(0), send(0, 1200), arrives(0, 3, 1250),
                   confirm(0, 3, kOk, 1260), advance(3000)},
                  {.to = 1, .sent = 2, .delivered = 2, .leftOut = 1},
                  {"notice 0>1 #1 delivered", "send 0>1 #1 delivered", "send 0>1 #2 left_out",
                   "notice 0>1 #2 left_out", "notice 0>1 #3 delivered", "send 0>1 #3 delivered"}},
        MatchCase{"target_lost",
                  {send(0, 0), send(2, 10), lost(1), advance(1100)},
                  {.to = 1, .leftOut = 1},
                  {"send 0>1 #1 left_out", "send 0>2 #1 not_delivered"}},
        MatchCase{"cut_short",
                  {send(0, 0), confirm(0, 1, kOk, 20), cutShort()},
                  {.to = 1, .leftOut = 1},
                  {"send 0>1 #1 left_out"}},
        // Four time-outs on, a send is forgotten: its data can only be late.
        MatchCase{"data_of_a_forgotten_send",
                  {send(0, 0), advance(1000), send(0, 4000), arrives(0, 1, 4100),
                   arrives(0, 2, 4200), advance(5000)},
                  {.to = 1, .sent = 2, .delivered = 1, .late = 1},
                  {"send 0>1 #1 not_delivered", "notice 0>1 #1 late", "notice 0>1 #2 delivered",
                   "send 0>1 #2 delivered"}}),
    [](const auto& info) { return info.param.name; });

struct CountCase {
    std::string name;
    std::vector<Step> steps;
    std::array<int, 3> sends;  // of pair 0: sent, left out, not sent
    std::optional<double> reached;
};

void PrintTo(const CountCase& row, std::ostream* out) {
    *out << row.name;
}

class SendsAsked : public testing::TestWithParam<CountCase> {};

// Asked for three sends a pair, one every 100 ms, pair 0 shares its sender with pair 2: every
// send asked is sent, left out or not sent, and the rate reached is timed from the first on the
// wire to the last.
TEST_P(SendsAsked, AddUpToTheCount) {
    Plan plan = threePorts();
    plan.count = 3;
    plan.interval = milliseconds(100);
    Matcher matcher(plan);
    std::map<std::size_t, int> numbers;
    for (const Step& step : GetParam().steps) step.apply(matcher, numbers);
    matcher.cutShort();
    const PairSummary pair = matcher.summary().pairs[0];
    EXPECT_EQ((std::array{pair.sent, pair.leftOut, pair.notSent}), GetParam().sends);
    EXPECT_EQ(pair.asked, 3);
    EXPECT_EQ(pair.rate.asked, 5);
    EXPECT_EQ(pair.rate.reached, GetParam().reached);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, SendsAsked,
    testing::Values(
        CountCase{
            "all_sent", {send(0, 0), send(0, 100), send(0, 200), advance(2000)}, {3, 0, 0}, 10},
        // Its port hung up with a send on its way, and never came back.
        CountCase{"port_lost_for_good",
                  {send(0, 0), arrives(0, 1, 40), send(0, 100), lost(0)},
                  {1, 1, 1},
                  10},
        CountCase{
            "write_failed", {send(0, 0), unwritten(0), send(0, 200), advance(2000)}, {2, 0, 1}, 5},
        CountCase{"stopped_at_once", {send(0, 0), confirm(0, 1, kOk, 20)}, {0, 1, 2}, {}},
        CountCase{"nothing_sent", {}, {0, 0, 3}, {}}),
    [](const auto& info) { return info.param.name; });

struct SpreadCase {
    std::string name;
    std::function<double(std::mt19937&)> draw;  // one-way milliseconds
};

void PrintTo(const SpreadCase& row, std::ostream* out) {
    *out << row.name;
}

class LatencyPercentiles : public testing::TestWithParam<SpreadCase> {};

// The fixed histogram's figures stay within its stated error (0.1 %, and nothing finer than
// 0.01 ms) of the exact nearest-rank values of every latency, the maximum exact.
TEST_P(LatencyPercentiles, StayWithinTheStatedErrorOfTheExactValues) {
    constexpr int kSends = 20000;
    constexpr double kError = 0.001;
    constexpr double kFinest = 0.01;
    Plan plan = threePorts();
    plan.timeout = std::chrono::hours(1);
    Matcher matcher(plan);
    std::mt19937 random(11);
    std::vector<double> exact;
    for (int i = 0; i < kSends; ++i) {
        const Clock::time_point sentAt = kStart + std::chrono::seconds(10) * i;
        const auto oneWay = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double, std::milli>(GetParam().draw(random)));
        const Tag tag = matcher.tagFor(0);
        matcher.sent(0, sentAt, i + 1);
        matcher.noticed(1, noticeOf(taggedData(tag, 24)), sentAt + oneWay);
        matcher.confirmed(0, i + 1, kOk, sentAt + oneWay);
        exact.push_back(std::chrono::duration<double, std::milli>(oneWay).count());
    }
    matcher.takeEvents();
    std::sort(exact.begin(), exact.end());
    const auto rank = [&exact](double p) {
        return exact[static_cast<std::size_t>(std::ceil(p * double(exact.size()))) - 1];
    };
    const PairSummary pair = matcher.summary().pairs[0];
    ASSERT_EQ(pair.delivered, kSends);
    ASSERT_TRUE(pair.latencyMs.has_value());
    EXPECT_NEAR(pair.latencyMs->p50, rank(0.5), std::max(kFinest, rank(0.5) * kError));
    EXPECT_NEAR(pair.latencyMs->p95, rank(0.95), std::max(kFinest, rank(0.95) * kError));
    EXPECT_EQ(pair.latencyMs->max, exact.back());
}

INSTANTIATE_TEST_SUITE_P(
    Spreads, LatencyPercentiles,
    testing::Values(
        SpreadCase{"desk",
                   [](std::mt19937& r) { return std::uniform_real_distribution(5.0, 60.0)(r); }},
        SpreadCase{
            "relays_with_a_long_tail",
            [](std::mt19937& r) { return std::lognormal_distribution(std::log(200.0), 1.0)(r); }},
        SpreadCase{"few_distinct",
                   [](std::mt19937& r) {
                       return std::array{30.0, 31.0, 900.0}[r() % 3];
                   }},
        SpreadCase{"below_a_millisecond",
                   [](std::mt19937& r) { return std::uniform_real_distribution(0.0, 0.5)(r); }}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace delivery
