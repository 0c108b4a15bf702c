#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "ControlTexts.h"
#include "Dispatch.h"
#include "HexBytes.h"
#include "ModuleModel.h"
#include "RouteLabels.h"

namespace {

using Strings = std::vector<std::string>;

sim::Received received(proto::Frame bytes) {
    const auto kind =
        proto::xorOf(bytes) == 0 ? sim::Received::Kind::kFrame : sim::Received::Kind::kBadCheck;
    return {kind, std::move(bytes)};
}

sim::Mesh meshOf(const std::string& text) {
    std::istringstream in(text);
    auto parsed = sim::parseMesh(in);
    EXPECT_TRUE(parsed.errors.empty());
    return parsed.mesh;
}

// The setup values as the tool shows them, in one comparable row.
auto shown(const proto::Setup& setup) {
    const forms::SetupFields v = forms::setupFieldsOf(setup);
    return std::tuple(v.frequencyText, v.powerIndex, v.lifeCycleIndex, v.networkIdText,
                      v.nodeIdText, v.baudIndex, v.parityIndex);
}

// The reply to a request, once its log line, length and dispatch code are checked; empty when
// there is none.
proto::Frame replyTo(sim::ModuleModel& model, const proto::Frame& request,
                     const std::string& logLine, std::size_t size, std::uint8_t dispatch) {
    const auto answer = model.answer(received(request));
    EXPECT_EQ(answer.logLine, logLine);
    const proto::Frame reply = answer.reply.value_or(proto::Frame{});
    EXPECT_EQ(reply.size(), size);
    EXPECT_EQ(proto::dispatchCode(reply), dispatch);
    return reply;
}

TEST(ModuleModel, ReadSetupReportsTheStartValues) {
    sim::ModuleModel model(sim::defaultMesh());
    const auto reply = replyTo(model, proto::encode(proto::ReadSetupRequest{}),
                               "request read-setup", 18, proto::kReplySetup);
    const auto values = proto::setupValuesIn(reply);
    ASSERT_TRUE(values);
    EXPECT_EQ(shown(*values), std::tuple("434.00", 6, 0, "1", "1", 3, 0));
}

TEST(ModuleModel, ReadSetupAfterWriteSetupReportsTheWrittenValues) {
    sim::ModuleModel model(sim::defaultMesh());
    const forms::SetupFields written{"470", 2, 23, "9999", "65534", 7, 2};
    replyTo(model, proto::encode(proto::WriteSetupRequest{forms::setupOf(written)}),
            "request write-setup freq=758013 power=3 life=23 net=9999 node=65534 baud=7 parity=2",
            18, proto::kReplySetupWritten);
    const auto values = proto::setupValuesIn(
        *model.answer(received(proto::encode(proto::ReadSetupRequest{}))).reply);
    ASSERT_TRUE(values);
    EXPECT_EQ(shown(*values), std::tuple("470.00", 2, 23, "9999", "65534", 7, 2));
}

struct AckCase {
    const char* tag;
    std::size_t length;
    bool echoesTheSetup;  // long enough to hold the seven values
};

class WriteAcknowledgement : public testing::TestWithParam<AckCase> {};

// The tool may rely on no more than the acknowledgement's type and code: the simulator answers
// with any length asked for, each frame whole by its length byte.
TEST_P(WriteAcknowledgement, HasTheLengthAskedFor) {
    sim::ModuleModel model(sim::defaultMesh(), 0, GetParam().length);
    const forms::SetupFields written{"470", 2, 23, "9999", "65534", 7, 2};
    const auto reply = replyTo(
        model, proto::encode(proto::WriteSetupRequest{forms::setupOf(written)}),
        "request write-setup freq=758013 power=3 life=23 net=9999 node=65534 baud=7 parity=2",
        GetParam().length, proto::kReplySetupWritten);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(proto::frameSize(reply[proto::kLengthOffset]), GetParam().length);
    const auto echoed = proto::setupValuesIn(reply);
    ASSERT_EQ(echoed.has_value(), GetParam().echoesTheSetup);
    if (echoed) {
        EXPECT_EQ(shown(*echoed), std::tuple("470.00", 2, 23, "9999", "65534", 7, 2));
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, WriteAcknowledgement,
                         testing::Values(AckCase{"bare", 5, false},
                                         AckCase{"status_byte", 6, false},
                                         AckCase{"one_short_of_the_echo", 17, false},
                                         AckCase{"echo", 18, true}, AckCase{"padded", 30, true},
                                         AckCase{"longest", 260, true}),
                         [](const auto& info) { return info.param.tag; });

struct MeshCase {
    const char* tag;
    std::string meshText;  // empty: the built-in mesh
    std::string local;
    Strings routeNodes, targetNodes, pathNodes, linkValues;
};

class MeshReply : public testing::TestWithParam<MeshCase> {
  protected:
    sim::ModuleModel model{GetParam().meshText.empty() ? sim::defaultMesh()
                                                       : meshOf(GetParam().meshText)};
};

TEST_P(MeshReply, RouteListDecodesToTheMeshRoutes) {
    const auto reply = replyTo(model, proto::encode(proto::RouteListRequest{}),
                               "request read-route", 369, proto::kReplyRouteList);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[3], 364 & 0xFF);
    const auto list = forms::decodeRouteList(reply);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->localNode, GetParam().local);
    EXPECT_EQ(list->routeNodes, GetParam().routeNodes);
    EXPECT_EQ(list->targetNodes, GetParam().targetNodes);
}

TEST_P(MeshReply, PathListDecodesToThePathWithItsLinkValues) {
    const auto path =
        forms::decodePathList(replyTo(model, proto::encode(proto::PathRequest{}),
                                      "request read-path", 32, proto::kReplyPathList));
    ASSERT_TRUE(path);
    EXPECT_EQ(path->pathNodes, GetParam().pathNodes);
    EXPECT_EQ(path->linkValues, GetParam().linkValues);
}

// The id a setup write gives the module is the one its lists and notices go by, also when it
// is the id of one of the mesh's nodes.
TEST_P(MeshReply, ListsAfterAWriteGoByTheIdWritten) {
    for (const std::uint16_t id : {301, 2}) {
        proto::Setup setup = model.setup();
        setup.nodeId = id;
        model.answer(received(proto::encode(proto::WriteSetupRequest{setup})));
        const auto routes = forms::decodeRouteList(
            *model.answer(received(proto::encode(proto::RouteListRequest{}))).reply);
        const auto path = forms::decodePathList(
            *model.answer(received(proto::encode(proto::PathRequest{}))).reply);
        ASSERT_TRUE(routes && path);
        EXPECT_EQ(routes->localNode, std::to_string(id));
        EXPECT_EQ(path->pathNodes.front(), std::to_string(id));
        for (int k = 0; k < 9; ++k) {
            const auto notice = model.receiveNotice();
            if (notice) {
                EXPECT_EQ(notice->logLine.find("source=" + std::to_string(id) + " "),
                          std::string::npos);
            }
        }
    }
}

std::string fortyEntriesLastUsed() {
    std::string text = "local 9\n";
    for (int i = 0; i < 39; ++i) text += "empty\n";
    return text + "route 65534 via 0\n";
}

INSTANTIATE_TEST_SUITE_P(
    Meshes, MeshReply,
    testing::Values(
        MeshCase{"builtin",
                 "",
                 "1",
                 {"2", "2", "4", "4", "5", "7"},
                 {"2", "3", "4", "5", "6", "8"},
                 {"1", "4", "5", "6"},
                 {"-52", "-67", "-81"}},
        MeshCase{"empty_first",
                 "local 300\nempty\nroute 258 via 3\nhop 3 0\n",
                 "300",
                 {"3"},
                 {"258"},
                 {"300", "3"},
                 {"-0"}},
        MeshCase{"lossy_first_link",
                 "local 1\nroute 5 via 4\nhop 4 52\nhop 5 67\nlink 1 4 0.5 0\nlink 4 5 1 80\n",
                 "1",
                 {"4"},
                 {"5"},
                 {"1", "4", "5"},
                 {"-86", "-67"}},
        MeshCase{"last_entry_only", fortyEntriesLastUsed(), "9", {"0"}, {"65534"}, {"9"}, {}},
        MeshCase{
            "eight_hops",
            "hop 11 1\nhop 12 2\nhop 13 3\nhop 14 4\nhop 15 5\nhop 16 6\nhop 17 7\nhop 18 255\n",
            "1",
            {},
            {},
            {"1", "11", "12", "13", "14", "15", "16", "17", "18"},
            {"-1", "-2", "-3", "-4", "-5", "-6", "-7", "-255"}}),
    [](const auto& info) { return info.param.tag; });

struct ModelSendCase {
    const char* tag;
    proto::Frame request;
    std::uint8_t status;
    std::string logLine;
};

proto::Frame sendDataFrame(forms::SendDataFields fields) {
    return proto::encode(forms::sendDataOf(fields).request);
}

proto::Frame badCheck(proto::Frame frame) {
    frame.back() ^= 0x01;
    return frame;
}

class SendStatus : public testing::TestWithParam<ModelSendCase> {};

TEST_P(SendStatus, ConfirmationCarriesTheModuleVerdict) {
    sim::ModuleModel model(sim::defaultMesh());
    const auto answer = model.answer(received(GetParam().request));
    EXPECT_EQ(answer.logLine, GetParam().logLine);
    ASSERT_TRUE(answer.reply);
    EXPECT_EQ(proto::dispatchCode(*answer.reply), proto::kReplySendStatus);
    ASSERT_GT(answer.reply->size(), proto::kSendStatusOffset + 1);
    EXPECT_EQ((*answer.reply)[proto::kSendStatusOffset], GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, SendStatus,
    testing::Values(
        ModelSendCase{"target_in_mesh", sendDataFrame({.targetIdText = "1", .dataText = "01 02"}),
                      0x00,
                      "request send-data target=1 ack=0 jump=7 mode=1 relays=0 data=0102 check=ok "
                      "status=00"},
        ModelSendCase{"target_not_in_mesh", sendDataFrame({.targetIdText = "9", .dataText = "AA"}),
                      0xC7,
                      "request send-data target=9 ack=0 jump=7 mode=1 relays=0 data=AA check=ok "
                      "status=C7"},
        ModelSendCase{
            "source_with_relays",
            sendDataFrame({.targetIdText = "8",
                           .jumpIndex = 2,
                           .routeModeIndex = 3,
                           .relayingIndex = 2,
                           .relayTexts = {"0005", "0006"},
                           .dataText = "AA"}),
            0x00,
            "request send-data target=8 ack=0 jump=3 mode=3 relays=2 via=0005,0006 data=AA "
            "check=ok status=00"},
        ModelSendCase{"source_count_zero",
                      sendDataFrame({.targetIdText = "6", .routeModeIndex = 3, .dataText = "01"}),
                      0x00,
                      "request send-data target=6 ack=0 jump=7 mode=3 relays=0 data=01 check=ok "
                      "status=00"},
        ModelSendCase{"source_without_block",
                      withCheck(hexBytes("05 00 01 07 00 06 00 07 03 01 7F")), 0x00,
                      "request send-data target=6 ack=0 jump=7 mode=3 relays=0 data=7F check=ok "
                      "status=00"},
        ModelSendCase{"bad_check",
                      badCheck(sendDataFrame({.targetIdText = "1", .dataText = "0102"})), 0xE1,
                      "request send-data target=1 ack=0 jump=7 mode=1 relays=0 data=0102 check=bad "
                      "status=E1"},
        ModelSendCase{"count_past_the_end", withCheck(hexBytes("05 00 01 07 00 02 00 07 01 05 01")),
                      0xC2, "request send-data frame=050001070002000701050103 check=ok status=C2"}),
    [](const auto& info) { return info.param.tag; });

struct LossCase {
    const char* tag;
    std::string links;
    std::string status;
    std::chrono::milliseconds latency;
};

class LossyRoute : public testing::TestWithParam<LossCase> {};

// Target 3 is two hops away: 1 -> 2 -> 3.
TEST_P(LossyRoute, ConfirmationNamesTheHopThatLostTheData) {
    sim::ModuleModel model(meshOf("route 2 via 2\nroute 3 via 2\n" + GetParam().links));
    const auto answer =
        model.answer(received(sendDataFrame({.targetIdText = "3", .dataText = "01"})));
    EXPECT_EQ(answer.logLine,
              "request send-data target=3 ack=0 jump=7 mode=1 relays=0 data=01 check=ok " +
                  GetParam().status);
    EXPECT_EQ(answer.latency, GetParam().latency);
}

using namespace std::chrono_literals;

INSTANTIATE_TEST_SUITE_P(
    Links, LossyRoute,
    testing::Values(
        LossCase{"delivered", "link 1 2 1 20\nlink 2 3 1 35\n", "status=00", 55ms},
        LossCase{"first_hop_lost", "link 1 2 0 20\nlink 2 3 1 35\n", "status=E7 lost=1-2", 20ms},
        LossCase{"second_hop_lost", "link 1 2 1 20\nlink 3 2 0 35\n", "status=D2 lost=2-3", 55ms}),
    [](const auto& info) { return info.param.tag; });

// The share of statuses over many sends, each as its hex text.
std::map<std::string, int> statusTextsOf(unsigned seed, int sends) {
    sim::ModuleModel model(meshOf("route 3 via 2\nlink 1 2 0.9 0\nlink 2 3 0.9 0\n"), seed);
    const auto request = received(sendDataFrame({.targetIdText = "3", .dataText = "01"}));
    std::map<std::string, int> statuses;
    for (int i = 0; i < sends; ++i) {
        const std::string line = model.answer(request).logLine;
        ++statuses[line.substr(line.find("status=") + 7, 2)];
    }
    return statuses;
}

TEST(ModuleModel, LossesFollowTheRatesAndRepeatWithTheSeed) {
    constexpr int kSends = 4000;
    const auto statuses = statusTextsOf(7, kSends);
    EXPECT_NEAR(statuses.at("00"), 0.81 * kSends, 0.03 * kSends);
    EXPECT_NEAR(statuses.at("E7"), 0.10 * kSends, 0.02 * kSends);
    EXPECT_NEAR(statuses.at("D2"), 0.09 * kSends, 0.02 * kSends);
    EXPECT_EQ(statusTextsOf(7, kSends), statuses);
    EXPECT_NE(statusTextsOf(8, kSends), statuses);
}

struct RejectCase {
    const char* tag;
    sim::Received received;
    std::string logLine;
};

class Rejected : public testing::TestWithParam<RejectCase> {};

TEST_P(Rejected, IsLoggedAndNotAnswered) {
    sim::ModuleModel model(sim::defaultMesh());
    const auto answer = model.answer(GetParam().received);
    EXPECT_EQ(answer.logLine, GetParam().logLine);
    EXPECT_FALSE(answer.reply);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Rejected,
    testing::Values(
        RejectCase{"bad_check", received(hexBytes("01 00 03 00 03")),
                   "rejected bad-check frame=0100030003"},
        RejectCase{"unknown_command", received(withCheck(hexBytes("01 00 05 00"))),
                   "rejected unknown-command frame=0100050004"},
        RejectCase{
            "setup_without_marker",
            received(withCheck(hexBytes("01 00 02 0D A5 00 00 00 00 00 00 00 00 00 00 00 00"))),
            "rejected bad-setup frame=0100020DA5000000000000000000000000AB"},
        RejectCase{"route_with_payload", received(withCheck(hexBytes("01 00 03 01 00"))),
                   "rejected bad-length frame=010003010003"},
        RejectCase{"garbage",
                   {sim::Received::Kind::kGarbage, hexBytes("FF 13")},
                   "rejected garbage bytes=FF13"}),
    [](const auto& info) { return info.param.tag; });

TEST(ModuleModel, ReceiveNoticesComeFromEachRemoteNodeInTurn) {
    sim::ModuleModel model(sim::defaultMesh());
    std::set<std::string> sources;
    for (int i = 0; i < 7; ++i) {
        const auto notice = model.receiveNotice();
        ASSERT_TRUE(notice && notice->reply);
        EXPECT_EQ(proto::dispatchCode(*notice->reply), proto::kReplyReceiveNotice);
        sources.insert(notice->logLine.substr(0, notice->logLine.find(" data=")));
    }
    EXPECT_EQ(sources.size(), 7u);
    EXPECT_EQ(model.receiveNotice()->logLine, "notice source=2 data=0007");
}

}  // namespace
