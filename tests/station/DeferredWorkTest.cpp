#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "DeferredWork.h"

namespace {

struct DeferredCase {
    std::size_t parties;
    std::size_t allowed;  // parties that let it begin, before anyone asks
    bool begunBeforeAsked;
};

class DeferredWorkBegins : public testing::TestWithParam<DeferredCase> {};

TEST_P(DeferredWorkBegins, WhenTheLastPartyAllowsOrWhenAskedAndOnlyOnce) {
    const DeferredCase& given = GetParam();
    std::atomic<int> runs = 0;
    std::promise<void> started;
    station::DeferredWork work(given.parties, [&] {
        if (++runs == 1) started.set_value();
        return runs == 1;
    });
    for (std::size_t i = 0; i < given.allowed; ++i) work.allow();
    // Work that was not to begin is given time to show it wrongly did.
    const auto wait = given.begunBeforeAsked ? std::chrono::seconds(10) : std::chrono::seconds(0);
    const bool begun = started.get_future().wait_for(wait + std::chrono::milliseconds(50)) ==
                       std::future_status::ready;
    EXPECT_EQ(begun, given.begunBeforeAsked);
    EXPECT_TRUE(work.answer());
    // Allowed again after it ran, or asked again: never run twice.
    work.allow();
    EXPECT_TRUE(work.answer());
    EXPECT_EQ(runs, 1);
}

INSTANTIATE_TEST_SUITE_P(Parties, DeferredWorkBegins,
                         testing::Values(DeferredCase{0, 0, true}, DeferredCase{1, 0, false},
                                         DeferredCase{1, 1, true}, DeferredCase{16, 15, false},
                                         DeferredCase{16, 16, true}, DeferredCase{2, 5, true}));

TEST(DeferredWork, GivesTheWorksAnswerToEveryThreadThatAsks) {
    std::atomic<int> runs = 0;
    station::DeferredWork work(8, [&] {
        ++runs;
        return false;
    });
    std::vector<std::thread> parties;
    std::atomic<int> refused = 0;
    for (int i = 0; i < 8; ++i)
        parties.emplace_back([&, i] {
            if (i % 2 == 0) work.allow();
            if (!work.answer()) ++refused;
        });
    for (std::thread& party : parties) party.join();
    EXPECT_EQ(refused, 8);
    EXPECT_EQ(runs, 1);
}

}  // namespace
