#include <gtest/gtest.h>

#include "HandedOverFrames.h"

namespace {

using Frames = std::vector<std::vector<std::uint8_t>>;

std::vector<std::uint8_t> frameOf(std::size_t size, std::uint8_t fill) {
    return std::vector<std::uint8_t>(size, fill);
}

struct FlushCase {
    const char* tag;
    std::size_t mostBytes;
    std::vector<std::size_t> sizes;  // frame i is filled with byte i
    std::size_t flushedBytes;        // what the queue held at the flush
    std::vector<std::size_t> told;   // the frames told, by index, oldest first
};

// A flush tells the newest frames back to the one whose end the queue still held, each whole
// and in order; the oldest go once the newer alone fill the queue.
TEST(HandedOverFrames, FlushTellsTheNewestFramesWhole) {
    const FlushCase cases[] = {
        {"nothing held", 100, {5, 5}, 0, {}},
        {"the last frame", 100, {5, 7}, 7, {1}},
        {"part of a frame reaches back to it", 100, {5, 7, 3}, 4, {1, 2}},
        {"more than was kept", 100, {5, 7}, 1000, {0, 1}},
        {"the oldest gone once the newer fill the queue", 10, {4, 6, 5}, 1000, {1, 2}},
        {"a frame larger than the queue kept alone", 10, {4, 30}, 1000, {1}},
    };
    for (const FlushCase& c : cases) {
        SCOPED_TRACE(c.tag);
        serial::HandedOverFrames frames(c.mostBytes);
        for (std::size_t i = 0; i < c.sizes.size(); ++i)
            frames.add(frameOf(c.sizes[i], static_cast<std::uint8_t>(i)));
        Frames expected;
        for (const std::size_t i : c.told)
            expected.push_back(frameOf(c.sizes[i], static_cast<std::uint8_t>(i)));
        EXPECT_EQ(frames.takeNewest(c.flushedBytes), expected);
        EXPECT_EQ(frames.frames(), 0u);
    }
}

}  // namespace
