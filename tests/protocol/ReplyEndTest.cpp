#include <gtest/gtest.h>

#include "HexBytes.h"
#include "ReplyEnd.h"
#include "RouteList.h"
#include "SendData.h"
#include "Setup.h"

namespace {

// A frame of the given size and type/code, its length byte as the module fills it, with a good
// check byte unless spoiled.
proto::Frame reply(std::uint8_t type, std::uint8_t code, std::size_t size, bool spoiled = false) {
    proto::Frame frame(size - 1, 0);
    frame[0] = type;
    frame[2] = code;
    frame[3] = static_cast<std::uint8_t>(size - 5);
    frame = withCheck(frame);
    if (spoiled) frame.back() ^= 0xFF;
    return frame;
}

struct EndCase {
    const char* tag;
    proto::Frame request;
    proto::Frame received;
    bool complete;
};

class ReplyEnd : public testing::TestWithParam<EndCase> {};

TEST_P(ReplyEnd, WholeOnlyAtTheExpectedSizeWithAGoodCheck) {
    const auto expected = proto::expectedReplyTo(GetParam().request);
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(proto::replyComplete(*expected, GetParam().received), GetParam().complete);
}

const proto::Frame kReadSetup = proto::buildReadSetup();
const proto::Frame kWriteSetup = proto::buildWriteSetup({});
const proto::Frame kReadRoute = proto::buildReadRouteList();
const proto::Frame kReadPath = proto::buildReadPathList();
const proto::Frame kSend = hexBytes("05 00 01 08 00 01 00 07 01 02 01 02 0A");

// The route list's first 5 bytes with a fitting check form a frame by its length byte (0):
// that must not end the reply.
proto::Frame routeListHead() {
    return withCheck(hexBytes("01 00 83 00"));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyEnd,
    testing::Values(EndCase{"SetupReply", kReadSetup, reply(0x01, 0x82, 18), true},
                    EndCase{"SetupReplyShort", kReadSetup, reply(0x01, 0x82, 17), false},
                    EndCase{"SetupReplyBadCheck", kReadSetup, reply(0x01, 0x82, 18, true), false},
                    EndCase{"WriteAckIsNoSetupReply", kReadSetup, reply(0x01, 0x81, 18), false},
                    EndCase{"WriteAck", kWriteSetup, reply(0x01, 0x81, 18), true},
                    EndCase{"RouteList", kReadRoute, reply(0x01, 0x83, 369), true},
                    EndCase{"RouteListByLengthByteOnly", kReadRoute, routeListHead(), false},
                    EndCase{"RouteListOneShort", kReadRoute, reply(0x01, 0x83, 368), false},
                    EndCase{"PathList", kReadPath, reply(0x01, 0x88, 32), true},
                    EndCase{"PathListLonger", kReadPath, reply(0x01, 0x88, 33), false},
                    EndCase{"Confirmation", kSend, hexBytes("05 00 81 03 00 01 00 86"), true},
                    EndCase{"ConfirmationLonger", kSend, reply(0x05, 0x81, 12), true},
                    EndCase{"ConfirmationShort", kSend, reply(0x05, 0x81, 7), false},
                    EndCase{"ConfirmationBadCheck", kSend, reply(0x05, 0x81, 8, true), false},
                    EndCase{"ReceiveNoticeIsNoConfirmation", kSend, reply(0x05, 0x82, 10), false}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.tag); });

TEST(ReplyEnd, RequestsOfNoKnownShapeWaitForSilence) {
    EXPECT_FALSE(proto::expectedReplyTo(hexBytes("01 00 05 00 04")).has_value());
    EXPECT_FALSE(proto::expectedReplyTo(hexBytes("02 00 01 00 03")).has_value());
    EXPECT_FALSE(proto::expectedReplyTo(hexBytes("01 00")).has_value());
}

}  // namespace
