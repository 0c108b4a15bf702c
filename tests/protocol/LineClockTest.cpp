#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LineClock.h"

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using Clock = proto::LineClock::Clock;

const Clock::time_point kStart{std::chrono::hours(1)};

struct Handed {
    microseconds at;  // from kStart
    std::size_t bytes;
};

struct LineCase {
    std::string name;
    proto::LineSettings line;
    std::vector<Handed> frames;
    std::vector<nanoseconds> onWire;  // each frame's last byte through the line, from kStart
};

class LineClocks : public testing::TestWithParam<LineCase> {};

// A byte is 10 bits, 11 with a parity bit; a frame handed over while the one before is on its way
// follows it.
TEST_P(LineClocks, TellWhenEachFrameIsOnTheWire) {
    proto::LineClock clock(GetParam().line);
    std::vector<nanoseconds> onWire;
    for (const Handed& frame : GetParam().frames)
        onWire.push_back(clock.handOver(kStart + frame.at, frame.bytes) - kStart);
    EXPECT_EQ(onWire, GetParam().onWire);
    EXPECT_EQ(clock.free() - kStart, GetParam().onWire.back());
}

INSTANTIATE_TEST_SUITE_P(
    , LineClocks,
    testing::Values(
        // 27 bytes, a send with a tag: 270 bits at 9600 baud.
        LineCase{
            "send_at_9600", {9600, proto::Parity::kNone}, {{{}, 27}}, {nanoseconds(28'125'000)}},
        LineCase{
            "even_parity", {9600, proto::Parity::kEven}, {{{}, 27}}, {nanoseconds(30'937'500)}},
        LineCase{"odd_parity_fast",
                 {115200, proto::Parity::kOdd},
                 {{{}, 128}},
                 {nanoseconds(12'222'222)}},
        LineCase{
            "one_byte_at_1200", {1200, proto::Parity::kNone}, {{{}, 1}}, {nanoseconds(8'333'333)}},
        LineCase{"back_to_back",
                 {9600, proto::Parity::kNone},
                 {{{}, 27}, {{}, 27}, {{}, 8}},
                 {nanoseconds(28'125'000), nanoseconds(56'250'000), nanoseconds(64'583'333)}},
        LineCase{"handed_over_before_the_line_is_free",
                 {9600, proto::Parity::kNone},
                 {{{}, 27}, {microseconds(20'000), 27}},
                 {nanoseconds(28'125'000), nanoseconds(56'250'000)}},
        LineCase{"a_gap_between_frames",
                 {9600, proto::Parity::kNone},
                 {{{}, 27}, {microseconds(40'000), 27}},
                 {nanoseconds(28'125'000), nanoseconds(68'125'000)}},
        LineCase{"no_pace_of_its_own",
                 {0, proto::Parity::kNone},
                 {{microseconds(5), 27}, {microseconds(7), 27}},
                 {nanoseconds(5'000), nanoseconds(7'000)}}),
    [](const auto& info) { return info.param.name; });

struct CarryCase {
    const char* name;
    proto::LineSettings line;
    std::size_t bytes;
    microseconds within;
    bool couldCarry;
};

// Bytes read after a sleep: no more than the line carries in the sleep, one more for the byte
// already on its way, unless it runs faster than its rate.
TEST(LineClock, TellsWhetherTheLineCouldHaveCarriedTheBytes) {
    const CarryCase rows[] = {
        {"a_sleep's_worth_at_9600", {9600, proto::Parity::kNone}, 49, microseconds(50'000), true},
        {"one_more_than_that", {9600, proto::Parity::kNone}, 50, microseconds(50'000), false},
        {"parity_bits_take_their_time",
         {9600, proto::Parity::kEven},
         49,
         microseconds(50'000),
         false},
        {"one_byte_at_once", {9600, proto::Parity::kNone}, 1, microseconds(0), true},
        {"a_whole_route_list_at_once",
         {9600, proto::Parity::kNone},
         369,
         microseconds(50'000),
         false},
        {"nothing", {9600, proto::Parity::kNone}, 0, microseconds(0), true},
    };
    for (const CarryCase& row : rows)
        EXPECT_EQ(proto::LineClock(row.line).couldCarry(row.bytes, row.within), row.couldCarry)
            << row.name;
}

}  // namespace
