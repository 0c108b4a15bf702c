#include <gtest/gtest.h>

#include "FrameParser.h"
#include "HexBytes.h"

namespace {

using Kind = sim::Received::Kind;

struct Event {
    Kind kind;
    proto::Frame bytes;

    bool operator==(const Event&) const = default;
};

void PrintTo(const Event& event, std::ostream* out) {
    constexpr const char* kNames[] = {"frame", "bad-check", "garbage"};
    *out << kNames[static_cast<int>(event.kind)] << proto::hexDump(event.bytes);
}

struct ParseCase {
    const char* tag;
    std::vector<const char*> chunks;  // fed one after another
    bool silenceAfter;                // the line falls silent with the rest pending
    std::vector<Event> events;
};

class FrameParsing : public testing::TestWithParam<ParseCase> {};

TEST_P(FrameParsing, CutsTheStreamIntoFrames) {
    sim::FrameParser parser;
    std::vector<Event> events;
    const auto collect = [&](const std::vector<sim::Received>& received) {
        for (const auto& item : received) events.push_back({item.kind, item.bytes});
    };
    for (const char* chunk : GetParam().chunks) collect(parser.feed(hexBytes(chunk)));
    if (GetParam().silenceAfter) {
        collect(parser.flushStale());
        EXPECT_FALSE(parser.hasPending());
    }
    EXPECT_EQ(events, GetParam().events);
}

const auto kRoute = hexBytes("01 00 03 00 02");
const auto kPath = hexBytes("01 00 08 00 09");

INSTANTIATE_TEST_SUITE_P(
    Streams, FrameParsing,
    testing::Values(
        ParseCase{"whole", {"01 00 03 00 02"}, false, {{Kind::kFrame, kRoute}}},
        ParseCase{"byte_by_byte", {"01", "00", "03", "00", "02"}, false, {{Kind::kFrame, kRoute}}},
        ParseCase{"split_in_the_header",
                  {"01 00 03", "00 02 01 00", "08 00 09"},
                  false,
                  {{Kind::kFrame, kRoute}, {Kind::kFrame, kPath}}},
        ParseCase{"garbage_first",
                  {"FF 7E 01 00 03 00 02"},
                  false,
                  {{Kind::kGarbage, hexBytes("FF 7E")}, {Kind::kFrame, kRoute}}},
        ParseCase{"reserved_not_zero",
                  {"01 01 03 00 02 01 00 08 00 09"},
                  false,
                  {{Kind::kGarbage, hexBytes("01 01 03 00 02")}, {Kind::kFrame, kPath}}},
        ParseCase{"bad_check_takes_its_length",
                  {"01 00 03 00 03 01 00 08 00 09"},
                  false,
                  {{Kind::kBadCheck, hexBytes("01 00 03 00 03")}, {Kind::kFrame, kPath}}},
        ParseCase{"incomplete_waits", {"01 00 02 0D A5 A5"}, false, {}},
        ParseCase{"false_start_then_silence",
                  {"01 00 02 0D 01 00 03 00 02"},
                  true,
                  {{Kind::kGarbage, hexBytes("01 00 02 0D")}, {Kind::kFrame, kRoute}}},
        ParseCase{"incomplete_then_silence",
                  {"01 00 03"},
                  true,
                  {{Kind::kGarbage, hexBytes("01 00 03")}}}),
    [](const auto& info) { return info.param.tag; });

}  // namespace
