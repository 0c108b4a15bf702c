// The lab with driven time: who hears whom, route lists and paths, and what a send does under
// each route mode: the sender's confirmation and when it is due, and the notice at the target.

#include <gtest/gtest.h>

#include <map>
#include <variant>

#include "ControlTexts.h"
#include "HexBytes.h"
#include "Lab.h"
#include "RouteLabels.h"
#include "SendNames.h"

namespace {

using namespace std::chrono_literals;
using Clock = sim::Lab::Clock;
using std::chrono::milliseconds;

const Clock::time_point kHeard = Clock::time_point{} + 1000s;

constexpr std::uint8_t kForbidden = 0;
constexpr std::uint8_t kAuto = proto::kRouteModeAuto;
constexpr std::uint8_t kForce = 2;
constexpr std::uint8_t kSource = proto::kRouteModeSource;
constexpr std::uint8_t kOk = proto::kStatusOk;
constexpr std::uint8_t kNotFound = proto::kStatusRouteNotFound;

std::string node(int id, const std::string& more = "") {
    return "[[node]]\nid = " + std::to_string(id) + "\n" + more;
}

std::string link(int a, int b, int value, int latencyMs = 10, double delivery = 1.0) {
    return "[[link]]\nnodes = [" + std::to_string(a) + ", " + std::to_string(b) +
           "]\nlink_value = " + std::to_string(value) +
           "\nlatency_ms = " + std::to_string(latencyMs) +
           "\ndelivery = " + std::to_string(delivery) + "\n";
}

std::string nodes(int first, int last) {
    std::string text;
    for (int id = first; id <= last; ++id) text += node(id);
    return text;
}

sim::LabPlan planOf(const std::string& text) {
    const sim::LabRead read = sim::parseLab(text, "lab.toml");
    EXPECT_EQ(read.error, "");
    return read.plan.value_or(sim::LabPlan{});
}

// A module's place in the lab: the file's nodes in the tests are numbered from 1 in order.
std::size_t place(int id) {
    return static_cast<std::size_t>(id - 1);
}

// What a module says in answer to one request heard at kHeard, and when.
std::vector<sim::Lab::Said> exchange(sim::Lab& lab, int id, const proto::Frame& request,
                                     std::string* logLine = nullptr) {
    const auto kind =
        proto::xorOf(request) == 0 ? sim::Received::Kind::kFrame : sim::Received::Kind::kBadCheck;
    const std::string line = lab.hear(place(id), {kind, request}, kHeard);
    if (logLine) *logLine = line;
    std::vector<std::string> notices;
    return lab.takeDue(kHeard + 1h, notices);
}

proto::Frame replyFrom(sim::Lab& lab, int id, const proto::Frame& request) {
    for (sim::Lab::Said& said : exchange(lab, id, request))
        if (said.module == place(id)) return said.bytes;
    return {};
}

// "2:2 3:2 4:6": each route entry's target and route node.
std::string routesOf(sim::Lab& lab, int id) {
    const auto reply =
        proto::decodeReply(replyFrom(lab, id, proto::encode(proto::RouteListRequest{})));
    const auto* list = reply ? std::get_if<proto::RouteListReply>(&*reply) : nullptr;
    if (!list) return "no reply";
    std::string text;
    for (const auto& entry : list->entries)
        if (entry)
            text += (text.empty() ? "" : " ") + std::to_string(entry->target) + ":" +
                    std::to_string(entry->route);
    return text;
}

// "2/50 3/60": each path hop's node and link value, from the local node on.
std::string pathOf(sim::Lab& lab, int id) {
    const auto reply = proto::decodeReply(replyFrom(lab, id, proto::encode(proto::PathRequest{})));
    const auto* path = reply ? std::get_if<proto::PathReply>(&*reply) : nullptr;
    if (!path) return "no reply";
    std::string text;
    for (const proto::PathHop& hop : path->hops)
        text += (text.empty() ? "" : " ") + std::to_string(hop.node) + "/" +
                std::to_string(hop.linkValue);
    return text;
}

proto::Frame sendTo(int target, std::uint8_t mode = proto::kRouteModeAuto, bool ack = false,
                    std::vector<std::uint16_t> relays = {}, std::uint8_t jump = 7,
                    std::vector<std::uint8_t> data = {0x01, 0x02}) {
    return proto::encode(proto::SendDataRequest{.target = static_cast<std::uint16_t>(target),
                                                .ack = static_cast<std::uint8_t>(ack),
                                                .jump = jump,
                                                .routeMode = mode,
                                                .relays = std::move(relays),
                                                .data = std::move(data)});
}

std::string chain5() {
    return nodes(1, 5) + link(1, 2, 50) + link(2, 3, 51) + link(3, 4, 52) + link(4, 5, 53);
}

// 2-3 is weak, so the far side of the ring is the better way to 4.
std::string ring6() {
    return nodes(1, 6) + link(1, 2, 50) + link(2, 3, 80) + link(3, 4, 50) + link(4, 5, 50) +
           link(5, 6, 50) + link(6, 1, 50);
}

std::string star6() {
    return nodes(1, 6) + link(1, 2, 40) + link(1, 3, 41) + link(1, 4, 42) + link(1, 5, 43) +
           link(1, 6, 44);
}

// 1 and 3 are on 434 MHz, 2 on 433 MHz: nobody hears anybody.
std::string otherFrequency() {
    return node(1) + node(2, "frequency = 433.0\n") + node(3) + link(1, 2, 50) + link(2, 3, 50);
}

struct Topology {
    const char* tag;
    std::string lab;
    int from;
    std::string routes;
    int sendTo;
    std::string pathAfter;  // after sending to sendTo
};

class Hearing : public testing::TestWithParam<Topology> {};

TEST_P(Hearing, RouteListAndPathFollowTheLinks) {
    sim::Lab lab(planOf(GetParam().lab), 1);
    EXPECT_EQ(routesOf(lab, GetParam().from), GetParam().routes);
    EXPECT_EQ(pathOf(lab, GetParam().from), "");  // nothing sent yet
    exchange(lab, GetParam().from, sendTo(GetParam().sendTo));
    EXPECT_EQ(pathOf(lab, GetParam().from), GetParam().pathAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Labs, Hearing,
    testing::Values(Topology{"chain_end", chain5(), 1, "2:2 3:2 4:2 5:2", 5, "2/50 3/51 4/52 5/53"},
                    Topology{"chain_middle", chain5(), 3, "1:2 2:2 4:4 5:4", 1, "2/51 1/50"},
                    Topology{"ring_strongest_weakest_link", ring6(), 1, "2:2 3:2 4:6 5:6 6:6", 4,
                             "6/50 5/50 4/50"},
                    Topology{"star_leaf", star6(), 3, "1:1 2:1 4:1 5:1 6:1", 6, "1/41 6/44"},
                    Topology{"star_hub", star6(), 1, "2:2 3:3 4:4 5:5 6:6", 2, "2/40"},
                    Topology{"other_frequency", otherFrequency(), 1, "", 3, ""}),
    [](const auto& info) { return info.param.tag; });

// A grid of 6 rows of 10; node r * 10 + c + 1 is linked to its right and lower neighbours.
std::string grid60() {
    std::string text = nodes(1, 60);
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 10; ++c) {
            const int id = r * 10 + c + 1;
            if (c < 9) text += link(id, id + 1, 50);
            if (r < 5) text += link(id, id + 10, 50);
        }
    }
    return text;
}

TEST(LabGrid, RouteListIsFullAtFortyEntriesInTargetOrder) {
    sim::Lab lab(planOf(grid60()), 1);
    const auto reply =
        proto::decodeReply(replyFrom(lab, 1, proto::encode(proto::RouteListRequest{})));
    ASSERT_TRUE(reply);
    const auto& entries = std::get<proto::RouteListReply>(*reply).entries;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        ASSERT_TRUE(entries[k]) << k;
        EXPECT_EQ(entries[k]->target, k + 2);
        // Every route from the corner starts to the right or downwards; the diagonal's equal
        // routes go by the lower relay next to the target.
        EXPECT_TRUE(entries[k]->route == 2 || entries[k]->route == 11) << k;
    }
    EXPECT_EQ(entries[10]->route, 2);  // 12: through 2, not 11
    EXPECT_EQ(entries[9]->route, 11);  // 11 itself
    // Beyond the list's 40 entries data still finds its way; a path shows 8 hops at most.
    exchange(lab, 1, sendTo(43));
    EXPECT_EQ(pathOf(lab, 1), "2/50 3/50 13/50 23/50 33/50 43/50");
    exchange(lab, 1, sendTo(60, kAuto, false, {}, 20));
    EXPECT_EQ(pathOf(lab, 1), "2/50 3/50 4/50 5/50 6/50 7/50 8/50 9/50");
}

// The lab of the send cases:
//   1 -(50, 10 ms)- 2 -(60, 20 ms)- 3 -(70, 30 ms)- 4
//   1 -(80, 40 ms, all lost)- 5
//   1 -(81, 5 ms)- 6 -(82, 15 ms, all lost)- 7
//   8 is switched off, next to 2; 9 is on network id 2, next to 1.
std::string sendLab() {
    return nodes(1, 7) + node(8, "powered = false\n") + node(9, "network_id = 2\n") +
           link(1, 2, 50, 10) + link(2, 3, 60, 20) + link(3, 4, 70, 30) + link(1, 5, 80, 40, 0) +
           link(1, 6, 81, 5) + link(6, 7, 82, 15, 0) + link(2, 8, 50) + link(1, 9, 50);
}

struct SendCase {
    const char* tag;
    proto::Frame request;
    std::uint8_t status;
    milliseconds confirmedAfter;
    int noticeAt;  // 0: no notice anywhere
    milliseconds noticeAfter;
    std::uint8_t noticeLink;
    std::string pathAfter;
};

class Sending : public testing::TestWithParam<SendCase> {};

TEST_P(Sending, ConfirmsAndDeliversAsTheRouteSays) {
    const SendCase& c = GetParam();
    sim::Lab lab(planOf(sendLab()), 1);
    const std::vector<std::uint8_t> data{0x00, 0x05, 0x00, 0x82, 0xFF, 0xA5};
    proto::SendDataRequest request =
        std::get<proto::SendDataRequest>(*proto::decodeRequest(c.request));
    request.data = data;
    std::string line;
    std::vector<sim::Lab::Said> notices;
    std::optional<sim::Lab::Said> confirmation;
    for (sim::Lab::Said& said : exchange(lab, 1, proto::encode(request), &line)) {
        if (said.module == place(1) && !confirmation)
            confirmation = std::move(said);
        else
            notices.push_back(std::move(said));
    }
    ASSERT_TRUE(confirmation) << line;
    EXPECT_EQ(confirmation->at, kHeard + c.confirmedAfter);
    EXPECT_EQ(confirmation->bytes, proto::encode(proto::SendStatus{request.target, c.status}))
        << line;
    if (c.noticeAt == 0) {
        EXPECT_TRUE(notices.empty()) << line;
    } else {
        ASSERT_EQ(notices.size(), 1u) << line;
        EXPECT_EQ(notices.front().module, place(c.noticeAt));
        EXPECT_EQ(notices.front().at, kHeard + c.noticeAfter);
        // The data byte for byte, in the notice the tool reads.
        const auto notice = proto::decodeReply(notices.front().bytes);
        ASSERT_TRUE(notice);
        EXPECT_EQ(std::get<proto::ReceiveNotice>(*notice).content,
                  (proto::NoticeContent{1, c.noticeLink, data}));
    }
    EXPECT_EQ(pathOf(lab, 1), c.pathAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Sending,
    testing::Values(
        // Without ACK Request the first hop's word is enough; with it, the acknowledgement
        // comes back over the whole route.
        SendCase{"auto", sendTo(3), kOk, 10ms, 3, 30ms, 60, "2/50 3/60"},
        SendCase{"auto_ack", sendTo(3, kAuto, true), kOk, 60ms, 3, 30ms, 60, "2/50 3/60"},
        // Finding the route first takes a round trip over it.
        SendCase{"force", sendTo(3, kForce), kOk, 70ms, 3, 90ms, 60, "2/50 3/60"},
        SendCase{"force_ack", sendTo(3, kForce, true), kOk, 120ms, 3, 90ms, 60, "2/50 3/60"},
        SendCase{"forbidden_neighbour", sendTo(2, kForbidden), kOk, 10ms, 2, 10ms, 50, "2/50"},
        SendCase{"forbidden_two_hops", sendTo(3, kForbidden), kNotFound, 0ms, 0, 0ms, 0, ""},
        SendCase{"source", sendTo(4, kSource, false, {2, 3}), kOk, 10ms, 4, 60ms, 70,
                 "2/50 3/60 4/70"},
        SendCase{"source_no_relays", sendTo(2, kSource), kOk, 10ms, 2, 10ms, 50, "2/50"},
        // Relays over a link that is not there: the hop is lost.
        SendCase{"source_first_relay_unheard", sendTo(3, kSource, false, {3}), proto::kStatusNoAck,
                 0ms, 0, 0ms, 0, ""},
        SendCase{"source_later_relay_unheard", sendTo(3, kSource, false, {2, 4}), kOk, 10ms, 0, 0ms,
                 0, ""},
        SendCase{"source_later_relay_unheard_ack", sendTo(3, kSource, true, {2, 4}),
                 proto::kStatusApsNoAck, 20ms, 0, 0ms, 0, ""},
        SendCase{"jump_limit", sendTo(4, kAuto, false, {}, 2), kNotFound, 0ms, 0, 0ms, 0, ""},
        SendCase{"jump_limit_met", sendTo(4, kAuto, false, {}, 3), kOk, 10ms, 4, 60ms, 70,
                 "2/50 3/60 4/70"},
        SendCase{"source_past_jump_limit", sendTo(4, kSource, false, {2, 3}, 2), kNotFound, 0ms, 0,
                 0ms, 0, ""},
        SendCase{"target_switched_off", sendTo(8), kNotFound, 0ms, 0, 0ms, 0, ""},
        SendCase{"target_on_another_network", sendTo(9), kNotFound, 0ms, 0, 0ms, 0, ""},
        SendCase{"target_not_in_the_lab", sendTo(99), kNotFound, 0ms, 0, 0ms, 0, ""},
        SendCase{"itself", sendTo(1), kNotFound, 0ms, 0, 0ms, 0, ""},
        SendCase{"unknown_route_mode", sendTo(2, 7), proto::kStatusInvalidParameter, 0ms, 0, 0ms, 0,
                 ""},
        SendCase{"first_hop_lost", sendTo(5), proto::kStatusNoAck, 40ms, 0, 0ms, 0, "5/80"},
        SendCase{"first_hop_lost_ack", sendTo(5, kAuto, true), proto::kStatusNoAck, 40ms, 0, 0ms, 0,
                 "5/80"},
        SendCase{"later_hop_lost", sendTo(7), kOk, 5ms, 0, 0ms, 0, "6/81 7/82"},
        SendCase{"later_hop_lost_ack", sendTo(7, kAuto, true), proto::kStatusApsNoAck, 40ms, 0, 0ms,
                 0, "6/81 7/82"}),
    [](const auto& info) { return info.param.tag; });

TEST(LabSend, LogLineNamesTheNodeTheRouteAndTheLostHop) {
    sim::Lab lab(planOf(sendLab()), 1);
    std::string line;
    exchange(lab, 1, sendTo(7, kAuto, false, {}, 7, {0xAB}), &line);
    EXPECT_EQ(line,
              "node=1 request send-data target=7 ack=0 jump=7 mode=1 relays=0 data=AB check=ok "
              "status=00 route=6,7 lost=6-7");
    std::vector<std::string> log;
    lab.hear(place(1), {sim::Received::Kind::kFrame, sendTo(2)}, kHeard);
    lab.takeDue(kHeard + 1h, log);
    EXPECT_EQ(log, std::vector<std::string>{"node=2 notice source=1 link=50 data=0102"});
}

// Sends of module 1 to 3 over two links of 0.9 each way, with ACK Request.
std::map<std::uint8_t, int> statusesOf(unsigned seed, int sends) {
    sim::Lab lab(planOf(nodes(1, 3) + link(1, 2, 50, 10, 0.9) + link(2, 3, 50, 10, 0.9)), seed);
    std::map<std::uint8_t, int> statuses;
    for (int i = 0; i < sends; ++i) {
        // The data, when it arrives, comes before the acknowledgement's round trip ends.
        const auto said = exchange(lab, 1, sendTo(3, kAuto, true));
        ++statuses[said.back().bytes[proto::kSendStatusOffset]];
    }
    return statuses;
}

TEST(LabSend, LossesFollowTheRatesBothWaysAndRepeatWithTheSeed) {
    constexpr int kSends = 4000;
    const auto statuses = statusesOf(7, kSends);
    EXPECT_NEAR(statuses.at(kOk), 0.6561 * kSends, 0.03 * kSends);
    EXPECT_NEAR(statuses.at(proto::kStatusNoAck), 0.1 * kSends, 0.02 * kSends);
    EXPECT_NEAR(statuses.at(proto::kStatusApsNoAck), 0.2439 * kSends, 0.03 * kSends);
    EXPECT_EQ(statusesOf(7, kSends), statuses);
    EXPECT_NE(statusesOf(8, kSends), statuses);
}

proto::Frame writeSetup(proto::Setup setup) {
    return proto::encode(proto::WriteSetupRequest{setup});
}

TEST(LabSetup, AnotherNetworkIdOrFrequencyTakesAModuleOutOfItsMeshAtOnce) {
    sim::Lab lab(planOf(chain5()), 1);
    proto::Setup setup = lab.setup(place(3));
    setup.networkId = 9;
    exchange(lab, 3, writeSetup(setup));
    EXPECT_EQ(routesOf(lab, 1), "2:2");
    EXPECT_EQ(routesOf(lab, 3), "");
    setup.networkId = 1;
    setup.frequencyRegister = *proto::frequencyRegisterFromMhz(470);
    exchange(lab, 3, writeSetup(setup));
    EXPECT_EQ(routesOf(lab, 1), "2:2");
    setup.frequencyRegister = lab.setup(place(1)).frequencyRegister;
    setup.nodeId = 33;  // back in, under another name
    exchange(lab, 3, writeSetup(setup));
    EXPECT_EQ(routesOf(lab, 1), "2:2 4:2 5:2 33:2");
    const auto said = exchange(lab, 1, sendTo(33));
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said.back().module, place(3));
}

TEST(LabReload, ACutLinkTakesTheRouteThroughTheOtherSideOfTheRing) {
    sim::Lab lab(planOf(ring6()), 1);
    EXPECT_EQ(routesOf(lab, 1), "2:2 3:2 4:6 5:6 6:6");
    std::vector<std::string> log;
    const std::string cut = nodes(1, 6) + link(1, 2, 50) + link(2, 3, 80) + link(3, 4, 50) +
                            link(4, 5, 50) + link(5, 6, 50);
    EXPECT_EQ(lab.reload(planOf(cut), log), std::nullopt);
    EXPECT_EQ(log, std::vector<std::string>{"lab reloaded: 5 links"});
    EXPECT_EQ(routesOf(lab, 1), "2:2 3:2 4:2 5:2 6:2");
    exchange(lab, 1, sendTo(4));
    EXPECT_EQ(pathOf(lab, 1), "2/50 3/80 4/50");
}

struct RefusedReload {
    const char* tag;
    std::string lab;
    std::string reason;
};

class ReloadRefused : public testing::TestWithParam<RefusedReload> {};

TEST_P(ReloadRefused, LeavesTheLabAsItWas) {
    sim::Lab lab(planOf(nodes(1, 2) + link(1, 2, 50)), 1);
    std::vector<std::string> log;
    const auto reason = lab.reload(planOf(GetParam().lab), log);
    ASSERT_TRUE(reason);
    EXPECT_NE(reason->find(GetParam().reason), std::string::npos) << *reason;
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(routesOf(lab, 1), "2:2");
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ReloadRefused,
    testing::Values(RefusedReload{"node_added", nodes(1, 3) + link(1, 3, 50), "added"},
                    RefusedReload{"node_removed", node(1), "removed"},
                    RefusedReload{"node_renamed", node(1) + node(3) + link(1, 3, 50), "added"},
                    RefusedReload{"other_com", node(1) + node(2, "com = 207\n") + link(1, 2, 50),
                                  "another COM"}),
    [](const auto& info) { return info.param.tag; });

TEST(LabReload, SwitchedOffAndPulledModules) {
    sim::Lab lab(planOf(chain5()), 1);
    std::vector<std::string> log;
    // 3 switched off cuts the chain; 5 keeps its radio without a port.
    const std::string changed = node(1) + node(2) + node(3, "powered = false\n") + node(4) +
                                node(5, "cable = \"pulled\"\n") + link(1, 2, 50) + link(2, 3, 51) +
                                link(3, 4, 52) + link(4, 5, 53);
    ASSERT_EQ(lab.reload(planOf(changed), log), std::nullopt);
    EXPECT_EQ(log, (std::vector<std::string>{"node=3 switched off", "node=5 cable pulled",
                                             "lab reloaded: 4 links"}));
    EXPECT_FALSE(lab.hasLine(place(3)));
    EXPECT_FALSE(lab.hasLine(place(5)));
    EXPECT_EQ(routesOf(lab, 1), "2:2");
    EXPECT_EQ(routesOf(lab, 4), "5:5");
    // Data reaches the pulled module, whose notice has no line to go to.
    lab.hear(place(4), {sim::Received::Kind::kFrame, sendTo(5)}, kHeard);
    log.clear();
    const auto said = lab.takeDue(kHeard + 1h, log);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said.front().module, place(4));
    EXPECT_EQ(log,
              std::vector<std::string>{"node=5 notice source=4 link=53 data=0102 lost=unplugged"});
}

TEST(LabReload, SwitchingOffDropsWhatTheModuleWasAboutToSay) {
    sim::Lab lab(planOf(chain5()), 1);
    lab.hear(place(1), {sim::Received::Kind::kFrame, sendTo(5, kAuto, true)}, kHeard);
    lab.hear(place(3), {sim::Received::Kind::kFrame, sendTo(1)}, kHeard);
    std::vector<std::string> log;
    const std::string off = node(1, "powered = false\n") + nodes(2, 5) + link(1, 2, 50) +
                            link(2, 3, 51) + link(3, 4, 52) + link(4, 5, 53);
    ASSERT_EQ(lab.reload(planOf(off), log), std::nullopt);
    // Module 1's confirmation and the data on its way to it are gone; 5 still gets 1's data.
    const auto said = lab.takeDue(kHeard + 1h, log);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0].module, place(3));  // its confirmation
    EXPECT_EQ(said[1].module, place(5));
}

}  // namespace
