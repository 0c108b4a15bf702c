#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "ReceiveBuffer.h"

namespace {

constexpr int kTick = 0;  // in a script: one 100 ms tick; any other number: that many bytes arrive

struct StepRow {
    const char* name;
    std::vector<int> script;
    std::vector<std::size_t> blockSizes;
};

class ReceiveStep : public ::testing::TestWithParam<StepRow> {};

TEST_P(ReceiveStep, CutsBlocksBySilence) {
    serial::ReceiveBuffer buffer;
    std::uint8_t next = 0;
    std::uint8_t expected = 0;
    std::vector<std::size_t> sizes;
    for (int step : GetParam().script) {
        for (int i = 0; i < step; ++i) buffer.append(next++);
        if (step != kTick) continue;
        const auto block = buffer.tick();
        if (!block) continue;
        sizes.push_back(block->bytes.size());
        for (std::uint8_t byte : block->bytes) EXPECT_EQ(byte, expected++);
        EXPECT_EQ(block->dropped, 0u);
        EXPECT_EQ(buffer.idleCounter(), serial::ReceiveBuffer::kIdle);
        EXPECT_EQ(buffer.count(), 0u);
    }
    EXPECT_EQ(sizes, GetParam().blockSizes);
}

INSTANTIATE_TEST_SUITE_P(
    ReceiveBuffer, ReceiveStep,
    ::testing::Values(StepRow{"NothingPending", {kTick, kTick, kTick, kTick, kTick}, {}},
                      StepRow{"DeliveredOnTheFourthTick", {5, kTick, kTick, kTick, kTick}, {5}},
                      StepRow{"NotYetOnTheThirdTick", {5, kTick, kTick, kTick}, {}},
                      StepRow{"PiecesThreeTicksApartAreOneBlock",
                              {3, kTick, kTick, kTick, 2, kTick, 4, kTick, kTick, kTick, kTick},
                              {9}},
                      StepRow{"PiecesFourTicksApartAreTwoBlocks",
                              {3, kTick, kTick, kTick, kTick, 2, kTick, kTick, kTick, kTick},
                              {3, 2}},
                      StepRow{
                          "OneByteIsABlock", {1, kTick, kTick, kTick, kTick, kTick, kTick}, {1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReceiveBuffer, OverflowIsDroppedAndCountedNotStored) {
    serial::ReceiveBuffer buffer;
    for (int i = 0; i < 1100; ++i) buffer.append(static_cast<std::uint8_t>(i % 251));
    EXPECT_EQ(buffer.count(), serial::ReceiveBuffer::kCapacity);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(buffer.tick());
    const auto block = buffer.tick();
    ASSERT_TRUE(block);
    ASSERT_EQ(block->bytes.size(), 1024u);
    EXPECT_EQ(block->dropped, 76u);
    for (std::size_t i = 0; i < block->bytes.size(); ++i) ASSERT_EQ(block->bytes[i], i % 251);

    buffer.append(0x42);  // the next block starts clean
    for (int i = 0; i < 3; ++i) buffer.tick();
    const auto next = buffer.tick();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->bytes, std::vector<std::uint8_t>{0x42});
    EXPECT_EQ(next->dropped, 0u);
}

TEST(ReceiveBuffer, ByteArrivingWhileABlockIsHandledGoesToTheNextBlock) {
    serial::ReceiveBuffer buffer;
    buffer.append(1);
    buffer.append(2);
    for (int i = 0; i < 3; ++i) buffer.tick();
    const auto first = buffer.tick();
    buffer.append(3);  // the window is still handling `first`
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bytes, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(buffer.idleCounter(), 0);
    for (int i = 0; i < 3; ++i) buffer.tick();
    const auto second = buffer.tick();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->bytes, std::vector<std::uint8_t>{3});
}

// The reader appends while the window ticks: every byte is delivered once or counted as
// dropped, never both, never lost.
TEST(ReceiveBuffer, ConcurrentAppendAndTickLoseNothing) {
    constexpr std::size_t kBytes = 200000;
    serial::ReceiveBuffer buffer;
    std::atomic<bool> done = false;
    std::thread reader([&] {
        for (std::size_t i = 0; i < kBytes; ++i) buffer.append(static_cast<std::uint8_t>(i));
        done = true;
    });
    std::size_t delivered = 0;
    std::size_t dropped = 0;
    auto take = [&] {
        if (const auto block = buffer.tick()) {
            EXPECT_LE(block->bytes.size(), serial::ReceiveBuffer::kCapacity);
            EXPECT_FALSE(block->bytes.empty());
            delivered += block->bytes.size();
            dropped += block->dropped;
        }
    };
    while (!done) take();
    reader.join();
    for (int i = 0; i < 4; ++i) take();
    EXPECT_EQ(delivered + dropped, kBytes);
    EXPECT_EQ(buffer.idleCounter(), serial::ReceiveBuffer::kIdle);
}

}  // namespace
