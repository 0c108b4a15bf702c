#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "HexBytes.h"
#include "Messages.h"

namespace {

// The 369-byte route list reply of local node 7 whose entries 0 and 2 are used: target 0x0102
// via 3, then target 5 via 3. Written out, so that no encoder builds the bytes it is tested on.
std::string routeListHex() {
    std::string hex = "01 00 83 6C 00 07 00 03 01 02 00 00 03 00 00 00 00 ";
    hex += "FF FF FF FF FF FF FF FF FF ";
    hex += "00 05 00 00 03 00 00 00 00 ";
    for (int i = 0; i < 37; ++i) hex += "FF FF FF FF FF FF FF FF FF ";
    return hex + "EC";
}

proto::RouteListReply routeList() {
    proto::RouteListReply reply{.localNode = 7};
    reply.entries[0] = proto::RouteEntry{0x0102, 3};
    reply.entries[2] = proto::RouteEntry{5, 3};
    return reply;
}

const proto::Setup kInitialSetupValue{.frequencyRegister = 0x6C8012};

struct RequestCase {
    const char* tag;
    std::string frame;
    proto::Request request;
};

class WorkedRequest : public testing::TestWithParam<RequestCase> {};

TEST_P(WorkedRequest, EncodesToTheBytesAndDecodesBack) {
    EXPECT_EQ(proto::encode(GetParam().request), hexBytes(GetParam().frame));
    EXPECT_EQ(proto::decodeRequest(hexBytes(GetParam().frame)), GetParam().request);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, WorkedRequest,
    testing::Values(
        RequestCase{"ReadSetup", "01 00 02 0D A5 A5 00 00 00 00 00 00 00 00 00 00 00 0E",
                    proto::ReadSetupRequest{}},
        RequestCase{"ReadRouteList", "01 00 03 00 02", proto::RouteListRequest{}},
        RequestCase{"ReadPathList", "01 00 08 00 09", proto::PathRequest{}},
        RequestCase{"WriteSetupInitial", "01 00 01 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 00 F7",
                    proto::WriteSetupRequest{kInitialSetupValue}},
        RequestCase{
            "SendAuto", "05 00 01 08 00 01 00 07 01 02 01 02 0A",
            proto::SendDataRequest{.target = 1, .jump = 7, .routeMode = 1, .data = {0x01, 0x02}}},
        RequestCase{"SendSourceTwoRelays", "05 00 01 0C 00 0A 00 03 03 02 00 05 00 06 01 AA A8",
                    proto::SendDataRequest{
                        .target = 10, .jump = 3, .routeMode = 3, .relays = {5, 6}, .data = {0xAA}}},
        RequestCase{
            "SendSourceNoRelay", "05 00 01 08 00 06 00 07 03 00 01 7F 70",
            proto::SendDataRequest{.target = 6, .jump = 7, .routeMode = 3, .data = {0x7F}}}),
    [](const auto& info) { return std::string(info.param.tag); });

struct ReplyCase {
    const char* tag;
    std::string frame;
    proto::Reply reply;
};

class WorkedReply : public testing::TestWithParam<ReplyCase> {};

TEST_P(WorkedReply, EncodesToTheBytesAndDecodesBack) {
    EXPECT_EQ(proto::encode(GetParam().reply), hexBytes(GetParam().frame));
    EXPECT_EQ(proto::decodeReply(hexBytes(GetParam().frame)), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, WorkedReply,
    testing::Values(
        ReplyCase{"SetupWrittenEcho", "01 00 81 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 00 77",
                  proto::WriteAcknowledgement{kInitialSetupValue}},
        ReplyCase{"SetupWrittenBare", "01 00 81 00 80", proto::WriteAcknowledgement{}},
        ReplyCase{"SetupReply", "01 00 82 0D A5 A5 6C 60 12 07 17 27 0F FF FF 07 02 AD",
                  proto::SetupReply{{.frequencyRegister = 0x6C6012,
                                     .powerCode = 7,
                                     .lifeCycleCode = 23,
                                     .networkId = 9999,
                                     .nodeId = 0xFFFF,
                                     .uartRateCode = 7,
                                     .parityCode = 2}}},
        ReplyCase{"RouteListEntriesZeroAndTwo", routeListHex(), routeList()},
        // Hops 0 = (4C, 5) and 1 = (32, 3) are drawn 1, 3, 5 with -50, -76.
        ReplyCase{"PathTwoHops",
                  "01 00 88 1B 02 00 01 4C 00 05 32 00 03 FF FF FF FF FF FF FF FF FF FF FF FF FF "
                  "FF FF FF FF FF E9",
                  proto::PathReply{.localNode = 1, .hops = {{3, 0x32}, {5, 0x4C}}}},
        ReplyCase{"PathAllEmpty",
                  "01 00 88 1B 00 00 01 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF "
                  "FF FF FF FF FF 93",
                  proto::PathReply{.localNode = 1}},
        ReplyCase{"SendConfirmationOk", "05 00 81 03 00 01 00 86", proto::SendStatus{1, 0x00}},
        ReplyCase{"SendConfirmationRouteNotFound", "05 00 81 03 00 09 C7 49",
                  proto::SendStatus{9, 0xC7}},
        ReplyCase{"ReceiveNotice", "05 00 82 06 00 02 3C 02 00 07 BA",
                  proto::ReceiveNotice{proto::NoticeContent{2, 60, {0x00, 0x07}}}},
        ReplyCase{"ReceiveNoticeBare", "05 00 82 00 87", proto::ReceiveNotice{}}),
    [](const auto& info) { return std::string(info.param.tag); });

struct DecodedBlockCase {
    const char* tag;
    const char* block;
    std::optional<proto::Reply> reply;
};

class ReceivedReply : public testing::TestWithParam<DecodedBlockCase> {};

// Blocks as the window cuts them: read by the first frame's dispatch code, fields only before
// the block's last byte.
TEST_P(ReceivedReply, DecodesAsTheWindowReadsIt) {
    EXPECT_EQ(proto::decodeReply(hexBytes(GetParam().block)), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, ReceivedReply,
    testing::Values(
        DecodedBlockCase{"WrongCheckByte", "05 00 81 03 00 01 00 87", std::nullopt},
        DecodedBlockCase{"NoHandler85", "01 00 85 00 84", std::nullopt},
        DecodedBlockCase{"OtherFrameType", "02 00 81 00 83", std::nullopt},
        DecodedBlockCase{"ModuleCode89IsASendStatus", "01 00 89 03 00 01 E1 6B",
                         proto::SendStatus{1, 0xE1}},
        DecodedBlockCase{"StatusBeforeTheCheckByteOnly", "05 00 81 02 00 01 87", std::nullopt},
        DecodedBlockCase{"SetupReplyCutShort", "01 00 82 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 74",
                         std::nullopt},
        DecodedBlockCase{"RouteListWithoutLocalNode", "01 00 83 00 00 82", std::nullopt},
        DecodedBlockCase{"RouteListLocalNodeOnly", "01 00 83 00 00 07 85",
                         proto::RouteListReply{.localNode = 7}},
        DecodedBlockCase{"PathCutShort", "01 00 88 1B 02 00 01 4C 00 05 D8", std::nullopt},
        // A notice laid out otherwise is a notice all the same.
        DecodedBlockCase{"NoticeCountBeyondBlock", "05 00 82 05 00 01 02 AA BB 90",
                         proto::ReceiveNotice{}},
        DecodedBlockCase{"TwoFramesReadByTheFirst", "05 00 81 03 00 01 00 86 05 00 82 00 87",
                         proto::SendStatus{1, 0x00}}),
    [](const auto& info) { return std::string(info.param.tag); });

struct RefusedRequestCase {
    const char* tag;
    const char* frame;
};

class RefusedRequest : public testing::TestWithParam<RefusedRequestCase> {};

TEST_P(RefusedRequest, DecodesToNothing) {
    EXPECT_EQ(proto::decodeRequest(hexBytes(GetParam().frame)), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, RefusedRequest,
    testing::Values(RefusedRequestCase{"RouteWithPayload", "01 00 03 01 00 03"},
                    RefusedRequestCase{"SetupWithoutMarker",
                                       "01 00 02 0D A5 00 00 00 00 00 00 00 00 00 00 00 00 AB"},
                    RefusedRequestCase{"LengthByteBeyondFrame", "01 00 08 01 08"},
                    RefusedRequestCase{"UnknownCommand", "01 00 05 00 04"},
                    RefusedRequestCase{"SendCountPastTheEnd",
                                       "05 00 01 07 00 02 00 07 01 05 01 03"},
                    RefusedRequestCase{"TooShortForEnvelope", "01 00 08"}),
    [](const auto& info) { return std::string(info.param.tag); });

// The other bytes of the frames are as the simulator writes them, so only the fields are
// compared here: every value survives its own encoder and decoder.
TEST(Messages, RoundTrip) {
    proto::RouteListReply fullTable{.localNode = 0xFFFE};
    for (std::size_t i = 0; i < proto::kRouteSlots; ++i)
        fullTable.entries[i] = proto::RouteEntry{static_cast<std::uint16_t>(0xFFFF - i),
                                                 static_cast<std::uint16_t>(i)};
    const proto::Request requests[] = {
        proto::WriteSetupRequest{{0xFFFFFF, 0, 0xFF, 0xFFFF, 0, 0xFF, 0xFF}},
        proto::SendDataRequest{.target = 0xFFFF,
                               .ack = 1,
                               .jump = 0,
                               .routeMode = 0xFF,
                               .data = std::vector<std::uint8_t>(117, 0x5A)},
        proto::SendDataRequest{.routeMode = 3,
                               .relays = {1, 2, 3, 4, 5, 0xFFFF},
                               .data = std::vector<std::uint8_t>(104, 0xA5)},
    };
    for (const proto::Request& request : requests)
        EXPECT_EQ(proto::decodeRequest(proto::encode(request)), request);
    std::vector<proto::PathHop> eightHops;
    for (std::uint16_t i = 0; i < proto::kPathSlots; ++i) eightHops.push_back({i, 0xFF});
    const proto::Reply replies[] = {
        fullTable,
        proto::RouteListReply{},
        proto::PathReply{.localNode = 0xFFFF, .hops = eightHops},
        proto::SendStatus{0xFFFF, 0xFF},
        proto::ReceiveNotice{proto::NoticeContent{0xFFFF, 0xFF, std::vector<std::uint8_t>(251)}},
    };
    for (const proto::Reply& reply : replies)
        EXPECT_EQ(proto::decodeReply(proto::encode(reply)), reply);
    EXPECT_EQ(proto::encode(fullTable).size(), proto::kRouteListReplySize);
    EXPECT_EQ(proto::encode(proto::PathReply{}).size(), proto::kPathReplySize);
}

TEST(Messages, EncodersRefuseWhatNoFrameCarries) {
    EXPECT_THROW(proto::encode(proto::SendDataRequest{.routeMode = 1, .relays = {5}}),
                 std::invalid_argument);
    EXPECT_THROW(proto::encode(proto::SendDataRequest{.routeMode = 1,
                                                      .data = std::vector<std::uint8_t>(118)}),
                 std::length_error);
    EXPECT_THROW(proto::encode(proto::SendDataRequest{
                     .routeMode = 3, .relays = {1, 2}, .data = std::vector<std::uint8_t>(113)}),
                 std::length_error);
    EXPECT_THROW(proto::encode(proto::SendDataRequest{.routeMode = 3,
                                                      .relays = std::vector<std::uint16_t>(7)}),
                 std::length_error);
    EXPECT_THROW(proto::encode(proto::PathReply{.hops = std::vector<proto::PathHop>(9)}),
                 std::length_error);
    EXPECT_THROW(proto::encode(proto::PathReply{.hops = {{proto::kEmptyNode, 1}}}),
                 std::invalid_argument);
    EXPECT_THROW(proto::encode(proto::ReceiveNotice{
                     proto::NoticeContent{.data = std::vector<std::uint8_t>(252)}}),
                 std::length_error);
}

struct FrequencyCase {
    const char* tag;
    double mhz;
    std::optional<std::uint32_t> reg;
    double shown;  // of the register, when there is one
};

class Frequency : public testing::TestWithParam<FrequencyCase> {};

TEST_P(Frequency, RegisterAndBack) {
    EXPECT_EQ(proto::frequencyRegisterFromMhz(GetParam().mhz), GetParam().reg);
    if (GetParam().reg) {
        EXPECT_DOUBLE_EQ(proto::mhzFromFrequencyRegister(*GetParam().reg), GetParam().shown);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, Frequency,
    testing::Values(FrequencyCase{"Initial434", 434, 0x6C8012, 434.0},
                    FrequencyCase{"F433_5", 433.5, 0x6C6012, 433.5},
                    FrequencyCase{"F470", 470, 0x758013, 470.0},
                    FrequencyCase{"F915", 915, 0xE4C026, 915.0},
                    FrequencyCase{"F100", 100, 0x190004, 100.0}, FrequencyCase{"Zero", 0, 0, 0.0},
                    FrequencyCase{"Top", 1023.99, 0xFFFF87, 1023.99},
                    FrequencyCase{"BeyondTwentyFourBits", 1024, std::nullopt, 0},
                    FrequencyCase{"Negative", -99, std::nullopt, 0},
                    FrequencyCase{"NotANumber", std::nan(""), std::nullopt, 0},
                    FrequencyCase{"Infinite", INFINITY, std::nullopt, 0}),
    [](const auto& info) { return std::string(info.param.tag); });

// Every two-decimal frequency the window takes reads back as itself.
TEST(Frequency, EveryHundredthReadsBackUnchanged) {
    for (int hundredths = 13700; hundredths <= 102000; ++hundredths) {
        const auto reg = proto::frequencyRegisterFromMhz(hundredths / 100.0);
        ASSERT_TRUE(reg) << hundredths;
        EXPECT_EQ(std::lround(proto::mhzFromFrequencyRegister(*reg) * 100), hundredths);
    }
}

TEST(Messages, SendDataCapacity) {
    EXPECT_EQ(proto::sendDataCapacity(1, 0), 117u);
    EXPECT_EQ(proto::sendDataCapacity(3, 0), 116u);
    EXPECT_EQ(proto::sendDataCapacity(3, 6), 104u);
}

}  // namespace
