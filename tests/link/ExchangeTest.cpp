// The typed exchange on a real pseudo-terminal: each row a request, what the far end does once
// the request has come whole, and how the exchange ends, its typed reply or its failure.

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "HexBytes.h"
#include "Interrupt.h"
#include "ModuleLink.h"
#include "PortDirectory.h"
#include "PtyPair.h"

namespace {

using engine::ExchangeFailure;
using Outgoing = std::variant<proto::Request, engine::RawRequest>;

const proto::Setup kSetup{.frequencyRegister = 0x6C8012, .nodeId = 2};
const proto::SendDataRequest kSend{.target = 3, .jump = 7, .routeMode = 1, .data = {0x01}};
const proto::PathReply kPath{.localNode = 1, .hops = {{3, 40}}};
const proto::Frame kNotice = proto::encode(proto::ReceiveNotice{{{3, 40, {0xAA}}}});

proto::Frame spoiled(proto::Frame frame) {
    frame.back() ^= 0xFF;
    return frame;
}

// What the far end does with the request.
enum class FarEnd { Answers, HangsUp, IsNotThere, SeesCtrlC };

struct ExchangeCase {
    const char* tag;
    Outgoing request;
    std::vector<proto::Frame> answer{};  // written back to back once the request has come
    std::optional<ExchangeFailure> failure{};
    std::optional<proto::Reply> reply{};
    FarEnd farEnd = FarEnd::Answers;
    int notices = 0;
};

void PrintTo(const ExchangeCase& row, std::ostream* out) {
    *out << row.tag;
}

proto::Frame encoded(const Outgoing& request) {
    if (const auto* raw = std::get_if<engine::RawRequest>(&request)) return raw->bytes;
    return proto::encode(std::get<proto::Request>(request));
}

class TypedExchange : public testing::TestWithParam<ExchangeCase> {
  protected:
    void TearDown() override { modlink::clearInterrupt(); }
};

TEST_P(TypedExchange, EndsWithItsReplyOrItsFailure) {
    const ExchangeCase& row = GetParam();
    PtyPair pty;
    modlink::ModuleLink link(modlink::ModuleLink::Reading::kFrames);
    if (row.farEnd != FarEnd::IsNotThere) {
        ASSERT_TRUE(
            link.open(ports::PortDirectory().resolve(pty.slavePath()), 9600, proto::Parity::kNone))
            << link.lastError();
    }
    if (row.farEnd == FarEnd::SeesCtrlC) modlink::noteInterrupt(SIGINT);
    const std::size_t requestSize = encoded(row.request).size();
    std::jthread farEnd([&] {
        if (row.farEnd != FarEnd::Answers && row.farEnd != FarEnd::HangsUp) return;
        if (pty.readMaster(requestSize).size() != requestSize) return;
        if (row.farEnd == FarEnd::HangsUp) return pty.closeMaster();
        for (const proto::Frame& frame : row.answer) pty.writeMaster(frame);
    });

    int notices = 0;
    const auto told = [&notices](const proto::ReadFrame&) { ++notices; };
    const auto timeout = std::chrono::milliseconds(300);
    const engine::ExchangeEnd end = std::visit(
        [&](const auto& request) { return link.exchange(request, timeout, told); }, row.request);
    farEnd.join();

    EXPECT_EQ(end.failure, row.failure);
    EXPECT_EQ(end.reply, row.reply);
    EXPECT_EQ(end.written, row.farEnd == FarEnd::Answers || row.farEnd == FarEnd::HangsUp);
    if (!row.answer.empty() && row.failure != ExchangeFailure::NoReply) {
        EXPECT_EQ(end.frame, row.answer.back());
    }
    EXPECT_EQ(notices, row.notices);
}

const proto::Frame kSetupReply = proto::encode(proto::SetupReply{kSetup});
const proto::RouteListReply kRoutes{.localNode = 1, .entries = {proto::RouteEntry{3, 3}}};

INSTANTIATE_TEST_SUITE_P(
    Exchanges, TypedExchange,
    testing::Values(
        ExchangeCase{
            "setup_read", proto::ReadSetupRequest{}, {kSetupReply}, {}, proto::SetupReply{kSetup}},
        ExchangeCase{"setup_written",
                     proto::WriteSetupRequest{kSetup},
                     {proto::encode(proto::WriteAcknowledgement{kSetup})},
                     {},
                     proto::WriteAcknowledgement{kSetup}},
        ExchangeCase{"route_list_behind_a_notice",
                     proto::RouteListRequest{},
                     {kNotice, proto::encode(kRoutes)},
                     {},
                     kRoutes,
                     FarEnd::Answers,
                     1},
        ExchangeCase{"path", proto::PathRequest{}, {proto::encode(kPath)}, {}, kPath},
        ExchangeCase{"send_confirmed",
                     kSend,
                     {proto::encode(proto::SendStatus{3, 0x00})},
                     {},
                     proto::SendStatus{3, 0x00}},
        ExchangeCase{"send_refused",
                     kSend,
                     {proto::encode(proto::SendStatus{3, 0xC7})},
                     ExchangeFailure::Refused,
                     proto::SendStatus{3, 0xC7}},
        ExchangeCase{"confirmation_cut_short",
                     kSend,
                     {withCheck(hexBytes("05 00 81 01 00"))},
                     ExchangeFailure::CutShort},
        ExchangeCase{"reply_spoiled",
                     proto::ReadSetupRequest{},
                     {spoiled(kSetupReply)},
                     ExchangeFailure::BadCheck},
        ExchangeCase{"another_reply_is_none",
                     proto::ReadSetupRequest{},
                     {proto::encode(kPath)},
                     ExchangeFailure::NoReply},
        ExchangeCase{"silent_module", kSend, {}, ExchangeFailure::NoReply},
        ExchangeCase{"raw_of_no_known_shape",
                     engine::RawRequest{withCheck(hexBytes("01 00 07 00"))},
                     {kNotice, kSetupReply},
                     {},
                     proto::SetupReply{kSetup},
                     FarEnd::Answers,
                     1},
        ExchangeCase{"far_end_hangs_up",
                     proto::ReadSetupRequest{},
                     {},
                     ExchangeFailure::Lost,
                     {},
                     FarEnd::HangsUp},
        ExchangeCase{"no_port_open",
                     proto::ReadSetupRequest{},
                     {},
                     ExchangeFailure::NotSent,
                     {},
                     FarEnd::IsNotThere},
        ExchangeCase{"ctrl_c_before_it_went",
                     proto::ReadSetupRequest{},
                     {},
                     ExchangeFailure::Interrupted,
                     {},
                     FarEnd::SeesCtrlC}),
    [](const auto& info) { return std::string(info.param.tag); });

}  // namespace
