// The wait before a watch tries a server again: doubling from a second after each failed
// attempt, never past half a minute, and a second again for the next watch.

#include <gtest/gtest.h>

#include "RetryWait.h"

namespace {

struct WaitCase {
    const char* tag;
    int failures;
    bool resetAfter;
    int seconds;
};

class RetryWaitAfter : public testing::TestWithParam<WaitCase> {};

TEST_P(RetryWaitAfter, Failures) {
    engine::RetryWait wait;
    for (int i = 0; i < GetParam().failures; ++i) wait.failed();
    if (GetParam().resetAfter) wait.reset();
    EXPECT_EQ(wait.wait().count(), GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(Waits, RetryWaitAfter,
                         testing::Values(WaitCase{"First", 0, false, 1},
                                         WaitCase{"OneFailure", 1, false, 2},
                                         WaitCase{"FourFailures", 4, false, 16},
                                         WaitCase{"CappedAtHalfAMinute", 5, false, 30},
                                         WaitCase{"StaysCapped", 12, false, 30},
                                         WaitCase{"NextWatchStartsAgain", 12, true, 1}),
                         [](const auto& info) { return std::string(info.param.tag); });

}  // namespace
