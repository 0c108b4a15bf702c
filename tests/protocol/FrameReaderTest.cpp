#include <gtest/gtest.h>

#include "ControlTexts.h"
#include "FrameReader.h"
#include "HexBytes.h"
#include "ReplyFrames.h"
#include "RouteLabels.h"
#include "Ticks.h"

namespace {

using Clock = proto::FrameReader::Clock;
using std::chrono::milliseconds;

const proto::Frame kSetupReplyFrame =
    withCheck(hexBytes("01 00 82 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 00"));
const proto::Frame kNoticeFrame = withCheck(hexBytes("05 00 82 06 00 02 3C 02 00 07"));
const proto::Frame kConfirmationFrame = withCheck(hexBytes("05 00 81 03 00 02 00"));
const proto::Frame kRouteList = routeListReply(1, {{2, 2}, {3, 2}});

proto::Frame spoiled(proto::Frame frame) {
    frame.back() ^= 0x5A;
    return frame;
}

proto::Frame joined(std::initializer_list<proto::Frame> parts) {
    proto::Frame all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct Piece {
    proto::Frame bytes;
    int atMs;
    proto::Frame requestBefore{};  // a new request sent just before these bytes came
};

struct Cut {
    proto::Frame bytes;
    int arrivedMs;
    bool checkOk = true;
    bool unsolicited = false;
};

struct StreamCase {
    const char* tag;
    proto::Frame request;  // what was sent before the stream, if anything
    std::vector<Piece> pieces;
    std::vector<Cut> frames;
    std::size_t noise;
    std::size_t unfinished = 0;  // bytes still waiting for the rest of their frame at the end
};

class FrameReaderCuts : public testing::TestWithParam<StreamCase> {};

TEST_P(FrameReaderCuts, FramesWithTheTimeOfTheirLastByte) {
    const StreamCase& c = GetParam();
    const Clock::time_point start{};
    proto::FrameReader reader;
    if (!c.request.empty()) reader.expectReplyTo(c.request);
    for (const Piece& piece : c.pieces) {
        if (!piece.requestBefore.empty()) reader.expectReplyTo(piece.requestBefore);
        reader.flushStale(start + milliseconds(piece.atMs));
        reader.push(piece.bytes, start + milliseconds(piece.atMs));
    }
    reader.flushStale(start + milliseconds(c.pieces.back().atMs) + proto::kReplySilence);

    const auto frames = reader.take();
    ASSERT_EQ(frames.size(), c.frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frames[i].bytes, c.frames[i].bytes);
        EXPECT_EQ(frames[i].arrived, start + milliseconds(c.frames[i].arrivedMs));
        EXPECT_EQ(frames[i].checkOk, c.frames[i].checkOk);
        EXPECT_EQ(frames[i].unsolicited, c.frames[i].unsolicited);
    }
    EXPECT_EQ(reader.noiseBytes(), c.noise);
    EXPECT_EQ(reader.unfinishedBytes(), c.unfinished);
}

const proto::Frame kReadSetup = proto::encode(proto::ReadSetupRequest{});
const proto::Frame kWriteSetup =
    proto::encode(proto::WriteSetupRequest{forms::setupOf(forms::SetupFields{})});
const proto::Frame kSend = withCheck(hexBytes("05 00 01 06 00 02 00 07 01 01 AA"));
const proto::Frame kReadRoute = proto::encode(proto::RouteListRequest{});
const proto::Frame kReadPath = proto::encode(proto::PathRequest{});
const proto::Frame kPathReply = proto::encode(proto::PathReply{1, {{3, 40}}});

proto::Frame head(const proto::Frame& frame, std::size_t bytes) {
    return proto::Frame(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(bytes));
}

proto::Frame tail(const proto::Frame& frame, std::size_t from) {
    return proto::Frame(frame.begin() + static_cast<std::ptrdiff_t>(from), frame.end());
}

// Write acknowledgements of other lengths than the setup echo: only their type and code are
// fixed, so each ends where its length byte says.
const proto::Frame kBareAck = hexBytes("01 00 81 00 80");
const proto::Frame kStatusAck = hexBytes("01 00 81 01 00 81");
const proto::Frame kLongAck =
    withCheck(hexBytes("01 00 81 19 A5 A5 6C 80 12 07 00 00 01 00 01 03 00 "
                       "00 00 00 00 00 00 00 00 00 00 00 00"));

INSTANTIATE_TEST_SUITE_P(
    Stream, FrameReaderCuts,
    testing::Values(
        StreamCase{"replyInPieces",
                   kReadSetup,
                   {{proto::Frame(kSetupReplyFrame.begin(), kSetupReplyFrame.begin() + 5), 0},
                    {proto::Frame(kSetupReplyFrame.begin() + 5, kSetupReplyFrame.end()), 40}},
                   {{kSetupReplyFrame, 40}},
                   0},
        StreamCase{"noticeRightInFrontOfTheReply",
                   kReadSetup,
                   {{joined({kNoticeFrame, kSetupReplyFrame}), 10}},
                   {{kNoticeFrame, 10, true, true}, {kSetupReplyFrame, 10}},
                   0},
        // The length byte holds the low byte of the payload length only.
        StreamCase{"routeListByItsCode",
                   proto::encode(proto::RouteListRequest{}),
                   {{kRouteList, 5}},
                   {{kRouteList, 5}},
                   0},
        StreamCase{"noiseBeforeAReply",
                   kReadSetup,
                   {{joined({hexBytes("33 FF"), kSetupReplyFrame}), 0}},
                   {{kSetupReplyFrame, 0}},
                   2},
        StreamCase{"awaitedReplySpoiled",
                   kReadSetup,
                   {{spoiled(kSetupReplyFrame), 7}},
                   {{spoiled(kSetupReplyFrame), 7, false}},
                   0},
        StreamCase{"spoiledNoticeIsNoise",
                   kSend,
                   {{spoiled(kNoticeFrame), 0}, {kConfirmationFrame, 30}},
                   {{kConfirmationFrame, 30}},
                   kNoticeFrame.size()},
        StreamCase{"loneTypeByteFlushedBySilence",
                   kSend,
                   {{hexBytes("05"), 0}, {kConfirmationFrame, 500}},
                   {{kConfirmationFrame, 500}},
                   1},
        StreamCase{"confirmationsBackToBack",
                   kSend,
                   {{joined({kConfirmationFrame, kConfirmationFrame}), 3}},
                   {{kConfirmationFrame, 3}, {kConfirmationFrame, 3}},
                   0},
        StreamCase{"shortAckAlone", kWriteSetup, {{kStatusAck, 4}}, {{kStatusAck, 4}}, 0},
        StreamCase{"bareAckThenNotice",
                   kWriteSetup,
                   {{joined({kBareAck, kNoticeFrame}), 2}},
                   {{kBareAck, 2}, {kNoticeFrame, 2, true, true}},
                   0},
        StreamCase{"longAckInPieces",
                   kWriteSetup,
                   {{proto::Frame(kLongAck.begin(), kLongAck.begin() + 18), 0},
                    {proto::Frame(kLongAck.begin() + 18, kLongAck.end()), 25}},
                   {{kLongAck, 25}},
                   0},
        StreamCase{"shortAckSpoiled",
                   kWriteSetup,
                   {{spoiled(kStatusAck), 6}},
                   {{spoiled(kStatusAck), 6, false}},
                   0},
        // A reply that came too late for its request is still a frame, not the awaited one.
        StreamCase{"unawaitedGoodReply", {}, {{kSetupReplyFrame, 1}}, {{kSetupReplyFrame, 1}}, 0},
        // A loaded machine can hand a terminal's bytes on long after the module sent them:
        // the awaited reply, known by its header, waits for the rest past the silence.
        StreamCase{"routeListHeldUpPastTheSilence",
                   kReadRoute,
                   {{head(kRouteList, 120), 0}, {tail(kRouteList, 120), 450}},
                   {{kRouteList, 450}},
                   0},
        StreamCase{"ackHeldUpByItsLengthByte",
                   kWriteSetup,
                   {{head(kLongAck, 4), 0}, {tail(kLongAck, 4), 700}},
                   {{kLongAck, 700}},
                   0},
        StreamCase{"replyHeldUpBeforeItsCode",
                   kReadSetup,
                   {{head(kSetupReplyFrame, 1), 0}, {tail(kSetupReplyFrame, 1), 380}},
                   {{kSetupReplyFrame, 380}},
                   0},
        StreamCase{
            "confirmationHeldUpInTwoStalls",
            kSend,
            {{head(kConfirmationFrame, 3), 0},
             {proto::Frame(kConfirmationFrame.begin() + 3, kConfirmationFrame.begin() + 6), 400},
             {tail(kConfirmationFrame, 6), 800}},
            {{kConfirmationFrame, 800}},
            0},
        StreamCase{"awaitedReplyCutShortWaitsForItsRest",
                   kReadRoute,
                   {{head(kRouteList, 200), 0}},
                   {},
                   0,
                   200},
        // Noise that opens like the awaited reply gives way once a whole one is behind it.
        StreamCase{"noiseWithTheAwaitedHeaderBeforeTheReply",
                   kWriteSetup,
                   {{joined({hexBytes("01 00 81 40"), kStatusAck}), 0}},
                   {{kStatusAck, 0}},
                   4},
        // Another frame's remains still go with the silence.
        StreamCase{"otherPartialFlushedBySilence",
                   kReadSetup,
                   {{head(kNoticeFrame, 4), 0}, {kSetupReplyFrame, 500}},
                   {{kSetupReplyFrame, 500}},
                   4},
        StreamCase{"noticeRemainsNotTakenForTheConfirmation",
                   kSend,
                   {{head(kNoticeFrame, 5), 0}, {kConfirmationFrame, 500}},
                   {{kConfirmationFrame, 500}},
                   5},
        StreamCase{"earlierReplyLeftByTheNextRequest",
                   kReadRoute,
                   {{head(kRouteList, 100), 0}, {kPathReply, 900, kReadPath}},
                   {{kPathReply, 900}},
                   100}),
    [](const auto& info) { return std::string(info.param.tag); });

// The reader thread sleeps through the line time of what a frame still needs: never past a
// byte that ends one, never while nothing has begun.
TEST(FrameReaderRest, BytesToComeOfTheFrameBegun) {
    struct RestCase {
        const char* tag;
        proto::Frame received;
        std::size_t toCome;
    };
    const RestCase cases[] = {
        {"nothing", {}, 0},
        {"typeByteOnly", head(kSetupReplyFrame, 1), proto::kHeaderSize - 1},
        {"headerWhole", head(kSetupReplyFrame, 4), kSetupReplyFrame.size() - 4},
        {"routeListByItsLayout", head(kRouteList, 100), kRouteList.size() - 100},
        {"ackByItsLengthByte", head(kLongAck, 10), kLongAck.size() - 10},
        {"frameWhole", kConfirmationFrame, 0},
        {"noiseOnly", hexBytes("33 FF"), 0},
        {"secondFrameBegun", joined({kConfirmationFrame, head(kNoticeFrame, 6)}),
         kNoticeFrame.size() - 6},
    };
    for (const RestCase& c : cases) {
        SCOPED_TRACE(c.tag);
        proto::FrameReader reader;
        reader.push(c.received, Clock::time_point{});
        EXPECT_EQ(reader.bytesToCome(), c.toCome);
    }
}

}  // namespace
