#include <gtest/gtest.h>

#include <numeric>

#include "LinePacer.h"

namespace {

using namespace std::chrono_literals;
using Clock = sim::LinePacer::Clock;

const Clock::time_point kStart = Clock::time_point{} + 1h;

proto::Frame bytesUpTo(std::size_t count) {
    proto::Frame bytes(count);
    std::iota(bytes.begin(), bytes.end(), 0);
    return bytes;
}

TEST(LinePacer, RouteListReplyTakesAbout385MillisecondsAt9600Baud) {
    sim::LinePacer pacer({.baud = 9600, .delay = 10ms});
    pacer.push(kStart, bytesUpTo(369));
    EXPECT_TRUE(pacer.takeDue(kStart + 10ms).empty());
    // One byte every 10 bit times, 1.0417 ms: 86 bytes have arrived 100 ms after the delay.
    EXPECT_EQ(pacer.takeDue(kStart + 10ms + 90ms).size(), 86u);
    EXPECT_EQ(pacer.takeDue(kStart + 10ms + 384ms).size(), 368u - 86u);
    EXPECT_EQ(pacer.nextDue(), kStart + 10ms + 384375us);
    EXPECT_EQ(pacer.takeDue(kStart + 10ms + 385ms).size(), 1u);
    EXPECT_FALSE(pacer.nextDue());
}

TEST(LinePacer, WithoutPacingAReplyGoesOutWholeAfterTheDelay) {
    sim::LinePacer pacer({.baud = 0, .delay = 25ms});
    pacer.push(kStart, bytesUpTo(369));
    EXPECT_TRUE(pacer.takeDue(kStart + 24ms).empty());
    EXPECT_EQ(pacer.takeDue(kStart + 25ms), bytesUpTo(369));
}

TEST(LinePacer, SplitReplyComesInPiecesWithGaps) {
    sim::LinePacer pacer({.baud = 0, .delay = 0ms, .pieces = 3, .gap = 50ms});
    pacer.push(kStart, bytesUpTo(10));
    EXPECT_EQ(pacer.takeDue(kStart), (proto::Frame{0, 1, 2, 3}));
    EXPECT_TRUE(pacer.takeDue(kStart + 49ms).empty());
    EXPECT_EQ(pacer.takeDue(kStart + 50ms), (proto::Frame{4, 5, 6}));
    EXPECT_EQ(pacer.takeDue(kStart + 100ms), (proto::Frame{7, 8, 9}));
}

TEST(LinePacer, RepliesQueueBehindEachOther) {
    sim::LinePacer pacer({.baud = 1000, .delay = 0ms});  // 10 ms a byte
    pacer.push(kStart, proto::Frame{1, 2});
    pacer.push(kStart, proto::Frame{3});
    EXPECT_EQ(pacer.takeDue(kStart + 20ms), (proto::Frame{1, 2}));
    EXPECT_TRUE(pacer.takeDue(kStart + 29ms).empty());
    EXPECT_EQ(pacer.takeDue(kStart + 30ms), proto::Frame{3});
}

TEST(LinePacer, BytesPutBackGoOutFirstAtOnce) {
    sim::LinePacer pacer({.baud = 1000, .delay = 0ms});
    pacer.push(kStart, proto::Frame{1, 2, 3});
    const auto due = pacer.takeDue(kStart + 20ms);
    pacer.putBack(proto::Bytes(due).subspan(1));
    EXPECT_EQ(pacer.takeDue(kStart + 20ms), proto::Frame{2});
    EXPECT_EQ(pacer.takeDue(kStart + 30ms), proto::Frame{3});
}

}  // namespace
