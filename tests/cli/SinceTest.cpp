// units --since reads the forms the man page gives.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "UnitsCommand.h"

namespace {

struct SinceCase {
    const char* text;
    std::optional<std::int64_t> msBeforeNow;  // for the relative forms
    bool accepted;
};

class SinceOption : public testing::TestWithParam<SinceCase> {};

TEST_P(SinceOption, ReadsRelativeAndLocalTimes) {
    const SinceCase& row = GetParam();
    const auto now =
        std::chrono::system_clock::time_point(std::chrono::milliseconds(1'796'000'000'000));
    const auto nowMs = std::int64_t{1'796'000'000'000};
    const auto since = cli::sinceUtcMs(row.text, now);
    ASSERT_EQ(since.has_value(), row.accepted) << row.text;
    if (row.msBeforeNow) {
        EXPECT_EQ(nowMs - *since, *row.msBeforeNow) << row.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SinceOption,
    testing::Values(
        SinceCase{"90m", 90 * 60'000, true}, SinceCase{"8h", 8 * 3'600'000, true},
        SinceCase{"2d", 2 * 86'400'000, true}, SinceCase{"0h", 0, true},
        SinceCase{"2026-12-08", std::nullopt, true},
        SinceCase{"2026-12-08 06:00", std::nullopt, true},
        SinceCase{"2026-12-08 06:00:30", std::nullopt, true}, SinceCase{"h", std::nullopt, false},
        SinceCase{"-2h", std::nullopt, false}, SinceCase{"2w", std::nullopt, false},
        SinceCase{"99999999999d", std::nullopt, false},
        SinceCase{"2026-12-08x", std::nullopt, false}, SinceCase{"2026-02-30", std::nullopt, false},
        SinceCase{"2026-02-29", std::nullopt, false}, SinceCase{"2028-02-29", std::nullopt, true},
        SinceCase{"2026-04-31 06:00", std::nullopt, false},
        SinceCase{"2026-12-31 23:59:59", std::nullopt, true},
        SinceCase{"2026-13-01", std::nullopt, false},
        SinceCase{"2026-12-08 24:00", std::nullopt, false},
        SinceCase{"yesterday", std::nullopt, false}));

TEST(SinceOption, ADateIsLocalMidnight) {
    std::tm midnight{};
    midnight.tm_year = 2026 - 1900;
    midnight.tm_mon = 11;
    midnight.tm_mday = 8;
    midnight.tm_isdst = -1;
    const std::int64_t expected = std::int64_t{std::mktime(&midnight)} * 1000;
    EXPECT_EQ(cli::sinceUtcMs("2026-12-08", std::chrono::system_clock::now()), expected);
    EXPECT_EQ(cli::sinceUtcMs("2026-12-08 06:00", std::chrono::system_clock::now()),
              expected + 6 * 3'600'000);
}

}  // namespace
