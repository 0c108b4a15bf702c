#include <gtest/gtest.h>

#include <limits>

#include "Dispatch.h"
#include "HexBytes.h"
#include "Messages.h"

namespace {

struct BlockCase {
    const char* tag;
    const char* block;
    bool passes;
    std::uint8_t code;
};

class ReceivedBlock : public testing::TestWithParam<BlockCase> {};

TEST_P(ReceivedBlock, CheckAndDispatchCode) {
    const proto::Frame block = hexBytes(GetParam().block);
    EXPECT_EQ(proto::blockPassesCheck(block), GetParam().passes);
    EXPECT_EQ(proto::dispatchCode(block), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, ReceivedBlock,
    testing::Values(BlockCase{"Empty", "", false, 0x00},
                    BlockCase{"SingleZeroPasses", "00", true, 0x00},
                    BlockCase{"SingleNonZeroFails", "01", false, 0x00},
                    BlockCase{"WrongLastByte", "01 00 81 00 81", false, 0x00},
                    BlockCase{"SetupWritten", "01 00 81 00 80", true, 0x81},
                    BlockCase{"TwoFramesDispatchByFirst", "01 00 81 00 80 05 00 82 00 87", true,
                              0x81},
                    BlockCase{"NetDataReceiveNotice", "05 00 82 00 87", true, 0x8A},
                    BlockCase{"NetDataSendStatus81", "05 00 81 00 84", true, 0x89},
                    BlockCase{"NetDataSendStatus00", "05 00 00 00 05", true, 0x89},
                    BlockCase{"ModuleCode89", "01 00 89 00 88", true, 0x89},
                    BlockCase{"ModuleCode85", "01 00 85 00 84", true, 0x85},
                    BlockCase{"ModuleRouteList", "01 00 83 01 00 83", true, 0x83},
                    BlockCase{"OtherType02", "02 00 81 00 83", true, 0x00},
                    BlockCase{"OtherTypeFF", "FF 00 81 00 7E", true, 0x00},
                    // Passing the check is not enough: without byte 2 there is no command code.
                    BlockCase{"ModuleWithoutCode", "01 01", true, 0x00},
                    BlockCase{"NetDataWithoutCode", "05 05", true, 0x00}),
    [](const auto& info) { return std::string(info.param.tag); });

struct FieldCase {
    const char* tag;
    std::size_t blockSize;
    std::size_t offset;
    std::size_t width;
    bool present;
};

class ReplyField : public testing::TestWithParam<FieldCase> {};

TEST_P(ReplyField, LiesWhollyBeforeCheckByte) {
    const proto::Frame block(GetParam().blockSize, 0);
    EXPECT_EQ(proto::fieldsPresent(block, GetParam().offset, GetParam().width), GetParam().present);
}

constexpr std::size_t kHuge = std::numeric_limits<std::size_t>::max();

INSTANTIATE_TEST_SUITE_P(Fields, ReplyField,
                         testing::Values(FieldCase{"EmptyBlock", 0, 0, 0, false},
                                         FieldCase{"EndsJustBeforeCheck", 5, 0, 4, true},
                                         FieldCase{"ReachesCheckByte", 5, 0, 5, false},
                                         FieldCase{"LastFieldByte", 5, 3, 1, true},
                                         FieldCase{"IsCheckByte", 5, 4, 1, false},
                                         FieldCase{"PastTheBlock", 5, 6, 1, false},
                                         FieldCase{"HugeWidthDoesNotWrap", 5, 1, kHuge, false},
                                         FieldCase{"HugeOffsetDoesNotWrap", 5, kHuge, 2, false},
                                         FieldCase{"FullSetupReply", 18, 6, 11, true},
                                         FieldCase{"SetupReplyOneShort", 17, 6, 11, false}),
                         [](const auto& info) { return std::string(info.param.tag); });

// Frames as the log shows them, with their check bytes.
const std::string kNotice = "05 00 82 06 00 02 3C 02 00 07 BA ";
const std::string kSetupReply = "01 00 82 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 00 74 ";
const std::string kAck = "01 00 81 00 80 ";
const std::string kConfirmation = "05 00 81 03 00 02 00 85 ";

std::string routeListReplyText() {
    proto::RouteListReply reply{.localNode = 1};
    reply.entries[0] = proto::RouteEntry{.target = 3, .route = 2};
    return proto::hexDump(proto::encode(reply)).substr(2);
}

struct SplitCase {
    const char* tag;
    std::string block;
    std::vector<std::size_t> frameSizes;  // none: the block does not split cleanly
};

class BlockOfFrames : public testing::TestWithParam<SplitCase> {};

TEST_P(BlockOfFrames, SplitsIntoWholeGoodFrames) {
    const proto::Frame block = hexBytes(GetParam().block);
    std::vector<std::size_t> sizes;
    std::size_t offset = 0;
    for (const proto::Bytes frame : proto::wholeFramesIn(block)) {
        EXPECT_EQ(frame.data(), block.data() + offset) << "frames lie back to back, in order";
        offset += frame.size();
        sizes.push_back(frame.size());
    }
    EXPECT_EQ(sizes, GetParam().frameSizes);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, BlockOfFrames,
    testing::Values(
        SplitCase{"OneReply", kSetupReply, {18}},
        SplitCase{"NoticeThenReply", kNotice + kSetupReply, {11, 18}},
        SplitCase{"ReplyThenNotice", kSetupReply + kNotice, {18, 11}},
        SplitCase{"EmptyPayloads", kAck + "05 00 82 00 87", {5, 5}},
        SplitCase{"TwoNoticesAndAConfirmation", kNotice + kNotice + kConfirmation, {11, 11, 8}},
        // The route list reply's length byte cannot hold its size.
        SplitCase{"RouteListAlone", routeListReplyText(), {proto::kRouteListReplySize}},
        SplitCase{"NoticeThenRouteList",
                  kNotice + routeListReplyText(),
                  {11, proto::kRouteListReplySize}},
        // Sized by its layout, as the frame reader cuts it, whatever its length byte says.
        SplitCase{"NoticeThenSetupReplyOfAnotherLength",
                  kNotice + "01 00 82 00 A5 A5 6C 80 12 07 00 00 01 00 01 03 00 79",
                  {11, 18}},
        SplitCase{"SecondFrameSpoiled", kNotice + kSetupReply.substr(0, 51) + "00", {}},
        SplitCase{"ByteAfterTheLastFrame", kSetupReply + "00", {}},
        SplitCase{"NoiseBeforeTheFirstFrame", "00 " + kSetupReply, {}},
        SplitCase{"LengthBeyondTheBlock", "01 00 81 09 00 89", {}},
        SplitCase{"UnknownFrameType", "02 00 81 00 83 " + kAck, {}},
        SplitCase{"ShorterThanAnyFrame", "00", {}}, SplitCase{"Empty", "", {}}),
    [](const auto& info) { return std::string(info.param.tag); });

}  // namespace
