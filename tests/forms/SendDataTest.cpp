#include <gtest/gtest.h>

#include <string>

#include "ControlTexts.h"
#include "HexBytes.h"
#include "SendNames.h"

namespace {

using Outcome = forms::SendDataReading::Outcome;

struct HexCase {
    const char* tag;
    const char* text;
    const char* bytes;
};

class HexText : public testing::TestWithParam<HexCase> {};

TEST_P(HexText, PairsBecomeBytes) {
    const std::string text = GetParam().text;
    std::uint8_t out[8] = {};
    const std::size_t count = forms::HexTextToBytes(text.data(), text.size(), out, sizeof out);
    EXPECT_EQ(proto::Frame(out, out + count), hexBytes(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, HexText,
    testing::Values(HexCase{"Digits", "0102", "01 02"}, HexCase{"Letters", "A1B2", "A1 B2"},
                    HexCase{"AllHalves", "0123456789ABCDEF", "01 23 45 67 89 AB CD EF"},
                    HexCase{"OddLastIgnored", "123", "12"}, HexCase{"OneDigit", "1", ""},
                    HexCase{"Empty", "", ""},
                    // Other characters go through the same arithmetic unchecked.
                    HexCase{"NotHexLetters", "GZ", "23"}, HexCase{"LowerCase", "ab", "AB"},
                    HexCase{"Space", " 1", "91"}),
    [](const auto& info) { return std::string(info.param.tag); });

TEST(HexTextToBytes, NeverWritesPastCapacity) {
    const std::string text = "1122334455";
    for (std::size_t capacity = 0; capacity <= 6; ++capacity) {
        std::uint8_t out[8];
        std::fill(std::begin(out), std::end(out), 0xEE);
        const std::size_t count = forms::HexTextToBytes(text.data(), text.size(), out, capacity);
        EXPECT_EQ(count, std::min<std::size_t>(capacity, 5));
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(out[i], 0x11 * (i + 1));
        }
        EXPECT_EQ(out[count], 0xEE) << "capacity " << capacity;
    }
}

forms::SendDataFields source(int relaying, std::array<std::string, 6> relays = {}) {
    return {.targetIdText = "10",
            .jumpIndex = 2,
            .routeModeIndex = proto::kRouteModeSource,
            .relayingIndex = relaying,
            .relayTexts = relays,
            .dataText = "AA"};
}

forms::SendDataFields routed(int routeMode, std::string data, std::string target = "10") {
    return {.targetIdText = target, .jumpIndex = 2, .routeModeIndex = routeMode, .dataText = data};
}

struct RequestCase {
    const char* tag;
    forms::SendDataFields fields;
    const char* frame;
};

class SendRequest : public testing::TestWithParam<RequestCase> {};

TEST_P(SendRequest, BuildsExactBytes) {
    const forms::SendDataReading result = forms::sendDataOf(GetParam().fields);
    ASSERT_EQ(result.outcome, Outcome::Built);
    EXPECT_EQ(proto::hexDump(proto::encode(result.request)),
              std::string("> ") + GetParam().frame + " ");
}

const std::array<std::string, 6> kSixLong = {"FFFFFFFF", "FFFFFFFF", "FFFFFFFF",
                                             "FFFFFFFF", "FFFFFFFF", "FFFFFFFF"};

INSTANTIATE_TEST_SUITE_P(
    Requests, SendRequest,
    testing::Values(
        RequestCase{"WorkedAuto",
                    {.targetIdText = "1", .dataText = "01 02"},
                    "05 00 01 08 00 01 00 07 01 02 01 02 0A"},
        RequestCase{"WorkedSource", source(2, {"0005", "0006"}),
                    "05 00 01 0C 00 0A 00 03 03 02 00 05 00 06 01 AA A8"},
        RequestCase{"RelaysJoinedIntoPairs", source(2, {"12", "3456"}),
                    "05 00 01 0C 00 0A 00 03 03 02 12 34 56 00 01 AA DB"},
        RequestCase{"OddJoinedText", source(2, {"123", "4567"}),
                    "05 00 01 0C 00 0A 00 03 03 02 12 34 56 00 01 AA DB"},
        RequestCase{"EmptyRelays", source(2), "05 00 01 0C 00 0A 00 03 03 02 00 00 00 00 01 AA AB"},
        RequestCase{"OnlyFirstNRelaysRead", source(1, {"0005", "0006"}),
                    "05 00 01 0A 00 0A 00 03 03 01 00 05 01 AA AB"},
        RequestCase{"LongRelayTextBounded", source(1, {"123456789ABC"}),
                    "05 00 01 0A 00 0A 00 03 03 01 12 34 01 AA 88"},
        RequestCase{"SixLongRelays", source(6, kSixLong),
                    "05 00 01 14 00 0A 00 03 03 06 FF FF FF FF FF FF FF FF FF FF FF FF 01 AA B7"},
        RequestCase{"LowerCaseRelay", source(1, {"abcd"}),
                    "05 00 01 0A 00 0A 00 03 03 01 AB CD 01 AA C8"},
        // Source without relays keeps its count byte, so the length byte fits.
        RequestCase{"SourceNoRelays", source(0, {"0001"}),
                    "05 00 01 08 00 0A 00 03 03 00 01 AA AD"},
        RequestCase{"SourceNoSelection", source(forms::kNoSelection, {"0001"}),
                    "05 00 01 08 00 0A 00 03 03 00 01 AA AD"},
        RequestCase{"ForceIgnoresRelaying",
                    {.targetIdText = "10",
                     .jumpIndex = 2,
                     .routeModeIndex = 2,
                     .relayingIndex = 3,
                     .relayTexts = {"0001", "0002", "0003"},
                     .dataText = "AA"},
                    "05 00 01 07 00 0A 00 03 02 01 AA A3"},
        RequestCase{"DataLowerCase", routed(1, "a1b2"), "05 00 01 08 00 0A 00 03 01 02 A1 B2 15"},
        RequestCase{"OneDigitSendsNoData", routed(1, "1"), "05 00 01 06 00 0A 00 03 01 00 0A"},
        RequestCase{"SpacesRemovedBeforePairing", routed(1, "1 2 3"),
                    "05 00 01 07 00 0A 00 03 01 01 12 18"},
        RequestCase{"NoSelections",
                    {.targetIdText = "10",
                     .jumpIndex = forms::kNoSelection,
                     .routeModeIndex = forms::kNoSelection,
                     .dataText = "AA"},
                    "05 00 01 07 00 0A 00 00 FF 01 AA 5D"},
        RequestCase{"TargetMinusOne", routed(1, "AA", "-1"), "05 00 01 07 FF FF 00 03 01 01 AA AA"},
        RequestCase{"TargetEmpty", routed(1, "AA", ""), "05 00 01 07 00 00 00 03 01 01 AA AA"},
        RequestCase{"AckRequested",
                    {.targetIdText = "10",
                     .ackRequest = true,
                     .jumpIndex = 2,
                     .routeModeIndex = 1,
                     .dataText = "AA"},
                    "05 00 01 07 00 0A 01 03 01 01 AA A1"}),
    [](const auto& info) { return std::string(info.param.tag); });

std::string hexOfBytes(std::size_t count) {
    return std::string(2 * count, '5');
}

TEST(SendData, RefusedUnlessItFitsTheRequest) {
    const struct {
        const char* tag;
        forms::SendDataFields fields;
        Outcome outcome;
        std::size_t maxData;
    } rows[] = {
        {"Empty", routed(1, ""), Outcome::EmptyData, 0},
        {"OnlySpaces", routed(1, "   "), Outcome::EmptyData, 0},
        {"AtLimitNoRelays", routed(1, hexOfBytes(117)), Outcome::Built, 0},
        {"AtLimitOddDigit", routed(1, hexOfBytes(117) + "5"), Outcome::Built, 0},
        {"OverLimitNoRelays", routed(1, hexOfBytes(118)), Outcome::TooLong, 117},
        {"AtLimitSixRelays",
         [] {
             auto f = source(6);
             f.dataText = hexOfBytes(104);
             return f;
         }(),
         Outcome::Built, 0},
        {"OverLimitSixRelays",
         [] {
             auto f = source(6);
             f.dataText = hexOfBytes(105);
             return f;
         }(),
         Outcome::TooLong, 104},
        {"OverLimitSourceNoRelays",
         [] {
             auto f = source(0);
             f.dataText = hexOfBytes(117);
             return f;
         }(),
         Outcome::TooLong, 116},
    };
    for (const auto& row : rows) {
        const forms::SendDataReading result = forms::sendDataOf(row.fields);
        EXPECT_EQ(result.outcome, row.outcome) << row.tag;
        if (row.outcome == Outcome::Built) {
            EXPECT_EQ(proto::encode(result.request).size(), proto::kRequestCapacity) << row.tag;
        } else {
            EXPECT_EQ(result.maxData, row.maxData) << row.tag;
        }
    }
}

// Whatever the panel holds, a request fits 128 bytes, its length byte counts exactly the
// bytes between it and the check byte, and the refusal limit is tight.
TEST(SendData, LengthByteMatchesBytesAndFitsRequest) {
    const std::array<std::string, 6> relays = {"1", "22", "333", "4444", "55555", "666666"};
    // Relaying runs from no selection to one past its list.
    for (int mode = forms::kNoSelection; mode <= proto::kRouteModeSource; ++mode) {
        for (int relaying = forms::kNoSelection; relaying <= forms::kRelayFieldCount + 1;
             ++relaying) {
            for (std::size_t digits = 1; digits <= 2 * 130; digits += 7) {
                const forms::SendDataFields fields{.targetIdText = "300",
                                                   .routeModeIndex = mode,
                                                   .relayingIndex = relaying,
                                                   .relayTexts = relays,
                                                   .dataText = std::string(digits, 'C')};
                const forms::SendDataReading result = forms::sendDataOf(fields);
                SCOPED_TRACE(testing::Message() << "mode " << mode << " relaying " << relaying
                                                << " digits " << digits);
                if (result.outcome == Outcome::TooLong) {
                    EXPECT_GT(digits / 2, result.maxData);
                    forms::SendDataFields fitting = fields;
                    fitting.dataText = hexOfBytes(result.maxData);
                    EXPECT_EQ(proto::encode(forms::sendDataOf(fitting).request).size(),
                              proto::kRequestCapacity);
                    continue;
                }
                ASSERT_EQ(result.outcome, Outcome::Built);
                const proto::Frame frame = proto::encode(result.request);
                EXPECT_LE(frame.size(), proto::kRequestCapacity);
                EXPECT_EQ(frame[3], frame.size() - 5);
                EXPECT_EQ(proto::xorOf(frame), 0);
                EXPECT_EQ(frame[frame.size() - 2 - digits / 2], digits / 2) << "data count";
            }
        }
    }
}

}  // namespace
