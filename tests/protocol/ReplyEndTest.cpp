#include <gtest/gtest.h>

#include "ControlTexts.h"
#include "HexBytes.h"
#include "ReplyEnd.h"
#include "RouteLabels.h"

namespace {

struct SizeCase {
    const char* tag;
    const char* header;
    std::size_t size;
};

class ReceivedFrameSize : public testing::TestWithParam<SizeCase> {};

TEST_P(ReceivedFrameSize, FixedByTheLayoutOrElseByTheLengthByte) {
    EXPECT_EQ(proto::receivedFrameSize(hexBytes(GetParam().header)), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReceivedFrameSize,
    testing::Values(SizeCase{"SetupReply", "01 00 82 0D", 18},
                    // The module's layout fixes it; the length byte is never examined.
                    SizeCase{"SetupReplyWhateverItsLengthByte", "01 00 82 00", 18},
                    // 364 payload bytes: the length byte holds only the low byte.
                    SizeCase{"RouteList", "01 00 83 6C", 369},
                    SizeCase{"PathList", "01 00 88 1B", 32},
                    SizeCase{"PathListWhateverItsLengthByte", "01 00 88 00", 32},
                    // Only type and code of the write acknowledgement are fixed.
                    SizeCase{"WriteAckEchoingTheSetup", "01 00 81 0D", 18},
                    SizeCase{"WriteAckWithAStatusByte", "01 00 81 01", 6},
                    SizeCase{"WriteAckBare", "01 00 81 00", 5},
                    SizeCase{"WriteAckLongest", "01 00 81 FF", 260},
                    SizeCase{"Confirmation", "05 00 81 03", 8},
                    SizeCase{"ConfirmationLonger", "05 00 81 07", 12},
                    SizeCase{"ReceiveNotice", "05 00 82 06", 11},
                    SizeCase{"ReplyWithoutHandler", "01 00 85 02", 7}),
    [](const testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.tag); });

struct AwaitedCase {
    const char* tag;
    proto::Frame request;
    std::uint8_t type;
    std::uint8_t dispatchCode;
};

class AwaitedReply : public testing::TestWithParam<AwaitedCase> {};

TEST_P(AwaitedReply, KnownByItsTypeAndCode) {
    const auto expected = proto::expectedReplyTo(GetParam().request);
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(expected->type, GetParam().type);
    EXPECT_EQ(expected->dispatchCode, GetParam().dispatchCode);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, AwaitedReply,
    testing::Values(
        AwaitedCase{"WriteSetup",
                    proto::encode(proto::WriteSetupRequest{forms::setupOf(forms::SetupFields{})}),
                    0x01, 0x81},
        AwaitedCase{"ReadSetup", proto::encode(proto::ReadSetupRequest{}), 0x01, 0x82},
        AwaitedCase{"ReadRoute", proto::encode(proto::RouteListRequest{}), 0x01, 0x83},
        AwaitedCase{"ReadPath", proto::encode(proto::PathRequest{}), 0x01, 0x88},
        AwaitedCase{"Send", hexBytes("05 00 01 08 00 01 00 07 01 02 01 02 0A"), 0x05, 0x89}),
    [](const testing::TestParamInfo<AwaitedCase>& info) { return std::string(info.param.tag); });

TEST(ReplyEnd, RequestsOfNoKnownShapeWaitForSilence) {
    EXPECT_FALSE(proto::expectedReplyTo(hexBytes("01 00 05 00 04")).has_value());
    EXPECT_FALSE(proto::expectedReplyTo(hexBytes("02 00 01 00 03")).has_value());
    EXPECT_FALSE(proto::expectedReplyTo(hexBytes("01 00")).has_value());
}

}  // namespace
