// The watcher's rules on made-up surveys and made-up times: each row feeds MeshWatch a run of
// surveys, notices, port news and probe fates, and lists every event it must say, in order, with
// the step that says it. A row whose events come a step early or late, twice, or not at all fails.

#include <gtest/gtest.h>

#include <functional>

#include "MeshWatch.h"
#include "Surveys.h"

namespace {

using namespace mesh::test;
using watch::Event;
using watch::EventKind;
using watch::EventPhase;
using watch::MeshWatch;
using watch::WallTime;
using K = EventKind;
using P = EventPhase;

using Act = std::function<std::vector<Event>(MeshWatch&, WallTime)>;

struct Step {
    Act act;
};

// An event as the table expects it: the step that says it and what it says.
struct Said {
    int step = 0;
    EventKind kind = K::NodeDown;
    EventPhase phase = P::Once;
    std::optional<std::uint16_t> node{};
    std::optional<std::uint16_t> peer{};
    std::string oldValue{};
    std::string newValue{};
    std::string port{};
    bool operator==(const Said&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Said& said) {
    return out << "step " << said.step << " " << watch::eventKindName(said.kind) << " "
               << watch::eventPhaseName(said.phase) << " port=" << said.port
               << " node=" << (said.node ? std::to_string(*said.node) : "-")
               << " peer=" << (said.peer ? std::to_string(*said.peer) : "-") << " " << said.oldValue
               << " -> " << said.newValue;
}

struct RuleCase {
    std::string name;
    std::vector<Step> steps;
    std::vector<Said> said;
    watch::Rules rules{};
};

void PrintTo(const RuleCase& row, std::ostream* out) {
    *out << row.name;
}

Step surveyed(mesh::Survey survey) {
    return {[survey](MeshWatch& watch, WallTime now) {
        return watch.surveyed(std::make_shared<const mesh::Mesh>(mesh::assessMesh(survey)), now);
    }};
}

Step heard(std::uint16_t node, std::string port) {
    return {[=](MeshWatch& watch, WallTime now) { return watch.heard(node, port, now); }};
}

Step opened(std::string port) {
    return {[=](MeshWatch& watch, WallTime now) { return watch.portOpened(port, now); }};
}

Step failedToOpen(std::string port, std::string reason) {
    return {[=](MeshWatch& watch, WallTime now) { return watch.portFailed(port, reason, now); }};
}

// Sends whose fate came in this step, in order: true delivered.
Step probed(std::vector<bool> fates) {
    return {[=](MeshWatch& watch, WallTime now) {
        std::vector<Event> events;
        for (const bool delivered : fates)
            for (Event& event : watch.probed({"COM200", "COM202"}, delivered, now))
                events.push_back(std::move(event));
        return events;
    }};
}

std::vector<bool> fates(int delivered, int lost) {
    std::vector<bool> all(static_cast<std::size_t>(delivered), true);
    all.insert(all.end(), static_cast<std::size_t>(lost), false);
    return all;
}

// The chain 1 - 2 - 3 with node 3 switched off: its port fails and no route names it.
mesh::Survey chainWithoutThree() {
    return {answered("COM200", 1, {{2, 2}}), answered("COM201", 2, {{1, 1}}),
            failed("COM202", "the device hung up")};
}

// The chain, node 1's last path over a link of this value from 1 to 2.
mesh::Survey chainWithLink(std::uint8_t value) {
    return {answered("COM200", 1, {{2, 2}, {3, 2}}, {{2, value}, {3, 60}}),
            answered("COM201", 2, {{1, 1}, {3, 3}}), answered("COM202", 3, {{1, 2}, {2, 2}})};
}

mesh::Survey chainRouted(std::vector<proto::RouteEntry> firstRoutes) {
    mesh::Survey survey = chain();
    survey[0] = answered("COM200", 1, firstRoutes);
    return survey;
}

const mesh::Survey kChain = chain();
const mesh::Survey kDuplicate = chainAnd({answered("COM203", 2, {{1, 1}, {3, 3}})});
const mesh::Survey kOtherNetwork = chainAnd({onNetwork(answered("COM203", 4, {}), 2)});
// 1 reaches 3, which names no route back.
const mesh::Survey kOneWay = {answered("COM200", 1, {{2, 2}, {3, 2}}),
                              answered("COM201", 2, {{1, 1}, {3, 3}}),
                              answered("COM202", 3, {{2, 2}})};

class WatchRules : public testing::TestWithParam<RuleCase> {};

TEST_P(WatchRules, SaysEachEventOnceInItsStep) {
    const RuleCase& row = GetParam();
    MeshWatch watch(row.rules);
    const WallTime start = WallTime(std::chrono::hours(24 * 365 * 56));
    std::vector<Said> said;
    for (std::size_t i = 0; i < row.steps.size(); ++i) {
        const WallTime now = start + std::chrono::seconds(60 * i);
        for (const Event& event : row.steps[i].act(watch, now)) {
            EXPECT_EQ(event.time, now);
            EXPECT_FALSE(event.text.empty());
            EXPECT_EQ(event.text.find('\n'), std::string::npos);
            said.push_back({static_cast<int>(i), event.kind, event.phase, event.node, event.peer,
                            event.oldValue, event.newValue, event.port});
        }
    }
    EXPECT_EQ(said, row.said);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WatchRules,
    testing::Values(
        RuleCase{"a_node_unheard_for_two_surveys_is_down_once_then_up_when_heard",
                 {surveyed(kChain), surveyed(chainWithoutThree()), surveyed(chainWithoutThree()),
                  surveyed(chainWithoutThree()), heard(3, "COM201")},
                 {{2, K::NodeDown, P::Starts, 3, {}, "up", "down", "COM202"},
                  // Heard through another port, it keeps its own port's name.
                  {4, K::NodeDown, P::Ends, 3, {}, "down", "up", "COM202"}}},
        RuleCase{"lost_after_three_waits_a_survey_more",
                 {surveyed(kChain), surveyed(chainWithoutThree()), surveyed(chainWithoutThree()),
                  surveyed(chainWithoutThree()), surveyed(kChain)},
                 {{3, K::NodeDown, P::Starts, 3, {}, "up", "down", "COM202"},
                  {4, K::NodeDown, P::Ends, 3, {}, "down", "up", "COM202"}},
                 {.lostAfter = 3}},
        RuleCase{"a_node_heard_between_two_misses_is_never_down",
                 {surveyed(kChain), surveyed(chainWithoutThree()), heard(3, "COM202"),
                  surveyed(chainWithoutThree()), surveyed(kChain), surveyed(chainWithoutThree())},
                 {}},
        // Its routes go with it: said by the node's events, not one per module.
        RuleCase{"routes_that_go_with_their_target_are_no_route_change",
                 {surveyed(kChain), surveyed(chainWithoutThree()), surveyed(chainWithoutThree()),
                  surveyed(kChain)},
                 {{2, K::NodeDown, P::Starts, 3, {}, "up", "down", "COM202"},
                  {3, K::NodeDown, P::Ends, 3, {}, "down", "up", "COM202"}}},
        RuleCase{"a_new_first_hop_is_one_change",
                 {surveyed(kChain), surveyed(chainRouted({{2, 2}, {3, 3}})),
                  surveyed(chainRouted({{2, 2}, {3, 3}}))},
                 {{1, K::RouteChanged, P::Once, 1, 3, "2", "3", "COM200"}}},
        RuleCase{"a_route_lost_to_a_node_still_heard",
                 {surveyed(kChain), surveyed(chainRouted({{2, 2}})), surveyed(kChain)},
                 {{1, K::RouteChanged, P::Once, 1, 3, "2", "none", "COM200"},
                  // Node 3 still routes to 1, which no longer routes back.
                  {1, K::OneWayRoute, P::Starts, 3, 1, "ok", "fault", "COM202"},
                  {2, K::RouteChanged, P::Once, 1, 3, "none", "2", "COM200"}}},
        // A module whose route list was not read this time keeps the one it gave before.
        RuleCase{"a_route_list_not_read_changes_nothing",
                 {surveyed(kChain), surveyed(chainAnd({})),  // the same
                  surveyed({failed("COM200", "no reply within 2000 ms"),
                            answered("COM201", 2, {{1, 1}, {3, 3}}),
                            answered("COM202", 3, {{1, 2}, {2, 2}})}),
                  surveyed(kChain)},
                 {}},
        RuleCase{"a_weak_link_starts_once_and_ends_when_strong",
                 {surveyed(chainWithLink(40)), surveyed(chainWithLink(97)),
                  surveyed(chainWithLink(95)), surveyed(chainWithLink(80))},
                 {{1, K::LinkWeak, P::Starts, 1, 2, "-40", "-97", "COM200"},
                  {3, K::LinkWeak, P::Ends, 1, 2, "-95", "-80", "COM200"}}},
        RuleCase{"the_threshold_is_the_settings",
                 {surveyed(chainWithLink(80)), surveyed(chainWithLink(85))},
                 {{0, K::LinkWeak, P::Starts, 1, 2, "none", "-80", "COM200"},
                  {0, K::LinkWeak, P::Starts, 2, 3, "none", "-60", "COM201"}},
                 {.weakLinkBelow = -59}},
        RuleCase{"a_weak_link_unseen_for_two_surveys_ends",
                 {surveyed(chainWithLink(97)), surveyed(chainRouted({{2, 2}, {3, 2}})),
                  surveyed(chainRouted({{2, 2}, {3, 2}}))},
                 {{0, K::LinkWeak, P::Starts, 1, 2, "none", "-97", "COM200"},
                  {2, K::LinkWeak, P::Ends, 1, 2, "-97", "none", "COM200"}}},
        RuleCase{
            "another_network_id_starts_once_and_ends_two_surveys_after",
            {surveyed(kOtherNetwork), surveyed(kOtherNetwork), surveyed(kChain), surveyed(kChain)},
            {{0, K::NetworkIdDiffers, P::Starts, 4, {}, "ok", "fault", "COM203"},
             {3, K::NodeDown, P::Starts, 4, {}, "up", "down", "COM203"},
             {3, K::NetworkIdDiffers, P::Ends, 4, {}, "fault", "ok", "COM203"}}},
        RuleCase{"one_node_id_twice",
                 {surveyed(kDuplicate), surveyed(kDuplicate)},
                 {{0, K::DuplicateNodeId, P::Starts, 2, {}, "ok", "fault", "COM201"}}},
        RuleCase{"a_one_way_route",
                 {surveyed(kOneWay)},
                 {{0, K::OneWayRoute, P::Starts, 1, 3, "ok", "fault", "COM200"}}},
        // Tried again and again while it stays lost: said when it is lost and when it is back.
        RuleCase{"a_port_lost_is_said_once_and_back_once",
                 {opened("COM200"), failedToOpen("COM200", "the device hung up"),
                  failedToOpen("COM200", "No such file or directory"), opened("COM200"),
                  opened("COM200")},
                 {{1, K::PortLost, P::Starts, {}, {}, "open", "lost", "COM200"},
                  {3, K::PortLost, P::Ends, {}, {}, "lost", "open", "COM200"}}},
        RuleCase{"a_port_that_never_opened",
                 {failedToOpen("COM207", "No such device"),
                  failedToOpen("COM207", "No such device"), opened("COM207")},
                 {{0, K::PortLost, P::Starts, {}, {}, "closed", "lost", "COM207"},
                  {2, K::PortLost, P::Ends, {}, {}, "lost", "open", "COM207"}}},
        // Its module's node is named once a survey has read it.
        RuleCase{"a_lost_port_names_its_node",
                 {opened("COM202"), surveyed(kChain), failedToOpen("COM202", "hung up")},
                 {{2, K::PortLost, P::Starts, 3, {}, "open", "lost", "COM202"}}},
        // Judged from the tenth send: 8 of 10 is below 90 %, 18 of 20 is not.
        RuleCase{"delivery_below_the_threshold_starts_and_ends",
                 {opened("COM200"), opened("COM202"), surveyed(kChain), probed(fates(8, 1)),
                  probed(fates(0, 1)), probed(fates(9, 0)), probed(fates(1, 0))},
                 {{4, K::DeliveryLow, P::Starts, 1, 3, "at least 90.0%", "80.0%", "COM200"},
                  {6, K::DeliveryLow, P::Ends, 1, 3, "below 90.0%", "90.0%", "COM200"}}},
        // The losses of a minute ago are out of a 30 s window.
        RuleCase{"delivery_is_judged_over_the_window",
                 {probed(fates(5, 5)), probed(fates(10, 0))},
                 {{0, K::DeliveryLow, P::Starts, {}, {}, "at least 90.0%", "50.0%", "COM200"},
                  {1, K::DeliveryLow, P::Ends, {}, {}, "below 90.0%", "100.0%", "COM200"}},
                 {.delivery = {.below = 0.9, .window = std::chrono::seconds(30)}}},
        RuleCase{"too_few_sends_are_not_judged", {probed(fates(0, 9))}, {}}),
    rowName);

TEST(WatchRulesTexts, SayWhatHappened) {
    MeshWatch watch({});
    const WallTime start{};
    watch.surveyed(std::make_shared<const mesh::Mesh>(mesh::assessMesh(kChain)), start);
    std::vector<Event> events;
    for (int i = 1; i <= 2; ++i)
        events = watch.surveyed(
            std::make_shared<const mesh::Mesh>(mesh::assessMesh(chainWithoutThree())),
            start + std::chrono::seconds(60 * i));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text, "node 3 (COM202) is down: not heard in 2 surveys");
    events = watch.heard(3, "COM202", start + std::chrono::seconds(60 * 2 + 125));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text, "node 3 (COM202) is up again after 2 min 5 s down");
    // What a port's reason holds from a device or server is never a control character.
    events = watch.portFailed("COM205", "closed\x1b[2J\nby peer", start);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text, "COM205 cannot be opened: closed[2J by peer");
}

}  // namespace
