#include <gtest/gtest.h>

#include "ControlTexts.h"
#include "Frame.h"
#include "HexBytes.h"
#include "RouteLabels.h"

namespace {

struct WorkedFrame {
    const char* tag;
    proto::Frame frame;
    const char* bytes;
};

class WorkedFrames : public testing::TestWithParam<WorkedFrame> {};

TEST_P(WorkedFrames, BuildsExactBytes) {
    EXPECT_EQ(proto::hexDump(GetParam().frame), std::string("> ") + GetParam().bytes + " ");
}

const forms::SetupFields kInitialSetup{.frequencyText = "434",
                                       .powerIndex = 6,
                                       .lifeCycleIndex = 0,
                                       .networkIdText = "1",
                                       .nodeIdText = "1",
                                       .baudIndex = 3,
                                       .parityIndex = 0};

INSTANTIATE_TEST_SUITE_P(
    Requests, WorkedFrames,
    testing::Values(
        WorkedFrame{"ReadSetup", proto::encode(proto::ReadSetupRequest{}),
                    "01 00 02 0D A5 A5 00 00 00 00 00 00 00 00 00 00 00 0E"},
        WorkedFrame{"ReadRouteList", proto::encode(proto::RouteListRequest{}), "01 00 03 00 02"},
        WorkedFrame{"ReadPathList", proto::encode(proto::PathRequest{}), "01 00 08 00 09"},
        WorkedFrame{"WriteSetupInitial",
                    proto::encode(proto::WriteSetupRequest{forms::setupOf(kInitialSetup)}),
                    "01 00 01 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 00 F7"}),
    [](const auto& info) { return std::string(info.param.tag); });

struct EnvelopeCase {
    const char* tag;
    std::uint8_t type;
    std::uint8_t code;
    proto::Frame payload;
    const char* bytes;
};

class Envelope : public testing::TestWithParam<EnvelopeCase> {};

TEST_P(Envelope, HeaderPayloadAndCheckByte) {
    const auto& c = GetParam();
    const proto::Frame frame = proto::buildFrame(c.type, c.code, c.payload);
    EXPECT_EQ(frame, hexBytes(c.bytes));
    EXPECT_EQ(proto::xorOf(frame), 0) << "a valid frame XORs to 0 as a whole";
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Envelope,
    testing::Values(EnvelopeCase{"NoPayloadChecksTypeXorCode", 0x05, 0x01, {}, "05 00 01 00 04"},
                    // The check byte is written also when everything before it XORs to 0.
                    EnvelopeCase{"ZeroCheckByte", 0x01, 0x01, {}, "01 00 01 00 00"},
                    EnvelopeCase{"ZeroCheckWithPayload", 0x01, 0x02, hexBytes("02"),
                                 "01 00 02 01 02 00"},
                    EnvelopeCase{"PayloadCounted", 0x01, 0x83, hexBytes("AA BB CC"),
                                 "01 00 83 03 AA BB CC 5C"}),
    [](const auto& info) { return std::string(info.param.tag); });

TEST(HexDump, EveryByteTwoUpperCaseDigitsAndSpace) {
    const struct {
        proto::Frame bytes;
        std::string line;
    } rows[] = {
        {{}, "> "},
        {{0x00}, "> 00 "},
        {{0xAB, 0x0F, 0xFF}, "> AB 0F FF "},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(proto::hexDump(row.bytes), row.line);
    }
}

}  // namespace
