#include <gtest/gtest.h>

#include <cstdio>

#include "ControlTexts.h"
#include "HexBytes.h"

namespace {

proto::Frame bytesOf(const proto::Frame& frame, std::size_t first, std::size_t count) {
    return proto::Frame(frame.begin() + first, frame.begin() + first + count);
}

proto::Frame writeSetup(const forms::SetupFields& fields) {
    const proto::Frame frame = proto::encode(proto::WriteSetupRequest{forms::setupOf(fields)});
    EXPECT_EQ(frame.size(), 18u);
    EXPECT_EQ(proto::xorOf(frame), 0);
    return frame;
}

struct RegisterCase {
    const char* tag;
    const char* frequency;
    const char* reg;
};

class FrequencyRegister : public testing::TestWithParam<RegisterCase> {};

TEST_P(FrequencyRegister, LowTwentyFourBitsBigEndian) {
    const proto::Frame frame = writeSetup({.frequencyText = GetParam().frequency});
    EXPECT_EQ(bytesOf(frame, 6, 3), hexBytes(GetParam().reg));
}

INSTANTIATE_TEST_SUITE_P(Frequencies, FrequencyRegister,
                         testing::Values(RegisterCase{"Initial434", "434", "6C 80 12"},
                                         RegisterCase{"HalfMegahertz", "433.5", "6C 60 12"},
                                         RegisterCase{"F470", "470", "75 80 13"},
                                         RegisterCase{"F915", "915", "E4 C0 26"},
                                         RegisterCase{"Empty", "", "00 00 00"},
                                         RegisterCase{"F100", "100", "19 00 04"},
                                         RegisterCase{"NegativeTwosComplement", "-99", "E7 3F FC"},
                                         RegisterCase{"BeyondInt32", "1e12", "01 A3 70"},
                                         RegisterCase{"BeyondInt64", "1e15", "66 68 00"},
                                         RegisterCase{"BelowInt64", "-1e15", "99 98 00"},
                                         RegisterCase{"Infinite", "inf", "00 00 00"},
                                         RegisterCase{"MinusInfinite", "-inf", "00 00 00"},
                                         RegisterCase{"OutOfDoubleRange", "1e999", "00 00 00"},
                                         RegisterCase{"NotANumber", "nan", "00 00 00"}),
                         [](const auto& info) { return std::string(info.param.tag); });

struct IdCase {
    const char* tag;
    const char* text;
    const char* id;
};

class IdField : public testing::TestWithParam<IdCase> {};

TEST_P(IdField, LowSixteenBitsOfDecimalText) {
    const proto::Frame frame =
        writeSetup({.networkIdText = GetParam().text, .nodeIdText = GetParam().text});
    EXPECT_EQ(bytesOf(frame, 11, 2), hexBytes(GetParam().id)) << "network id";
    EXPECT_EQ(bytesOf(frame, 13, 2), hexBytes(GetParam().id)) << "node id";
}

INSTANTIATE_TEST_SUITE_P(
    Ids, IdField,
    testing::Values(IdCase{"Id9999", "9999", "27 0F"}, IdCase{"Empty", "", "00 00"},
                    IdCase{"PastedDigitLetter", "1A", "00 01"},
                    IdCase{"PastedLetterDigit", "A1", "00 00"}, IdCase{"MinusOne", "-1", "FF FF"},
                    IdCase{"Id65535", "65535", "FF FF"}, IdCase{"Id65536Wraps", "65536", "00 00"},
                    // Saturation to 7FFFFFFF, not the low bits of
                    // the full value (which would give E7 FF).
                    IdCase{"SaturatesHigh", "99999999999", "FF FF"},
                    IdCase{"SaturatesLow", "-99999999999", "00 00"}),
    [](const auto& info) { return std::string(info.param.tag); });

TEST(WriteSetup, IndexBytes) {
    const struct {
        const char* tag;
        forms::SetupFields fields;
        const char* bytes9to16;
    } rows[] = {
        {"Initial", {"434", 6, 0, "1", "1", 3, 0}, "07 00 00 01 00 01 03 00"},
        {"Power1LifeCycle24hEven115200",
         {"434", 0, 23, "258", "2", 7, 2},
         "01 17 01 02 00 02 07 02"},
        {"NoSelection",
         {"434", forms::kNoSelection, forms::kNoSelection, "0", "0", forms::kNoSelection,
          forms::kNoSelection},
         "00 FF 00 00 00 00 FF FF"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(bytesOf(writeSetup(row.fields), 9, 8), hexBytes(row.bytes9to16)) << row.tag;
    }
}

std::string twoDecimalText(int hundredths) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%02d", hundredths / 100, hundredths % 100);
    return text;
}

// What the module sends back for a write: the same fields under reply code 0x82.
proto::Frame replyFor(const proto::Frame& request) {
    proto::Frame reply(request.begin(), request.end() - 1);
    reply[2] = proto::kReplySetup;
    return withCheck(reply);
}

TEST(SetupRoundTrip, EveryTwoDecimalFrequencyReadsBackUnchanged) {
    int mismatches = 0;
    for (int hundredths = 13700; hundredths <= 102000; ++hundredths) {
        const std::string text = twoDecimalText(hundredths);
        const auto setup = proto::setupValuesIn(replyFor(writeSetup({.frequencyText = text})));
        ASSERT_TRUE(setup.has_value());
        const std::string shown = forms::setupFieldsOf(*setup).frequencyText;
        if (shown != text && ++mismatches <= 5) {
            ADD_FAILURE() << text << " reads back as " << shown;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

struct ReplyCase {
    const char* tag;
    const char* fields6to16;
    forms::SetupFields values;
};

class SetupReply : public testing::TestWithParam<ReplyCase> {};

TEST_P(SetupReply, FillsTheSevenControls) {
    const proto::Frame reply =
        withCheck(hexBytes(std::string("01 00 82 0D A5 A5 ") + GetParam().fields6to16));
    const auto setup = proto::setupValuesIn(reply);
    ASSERT_TRUE(setup.has_value());
    const forms::SetupFields values = forms::setupFieldsOf(*setup);
    const forms::SetupFields& want = GetParam().values;
    EXPECT_EQ(values.frequencyText, want.frequencyText);
    EXPECT_EQ(values.powerIndex, want.powerIndex);
    EXPECT_EQ(values.lifeCycleIndex, want.lifeCycleIndex);
    EXPECT_EQ(values.networkIdText, want.networkIdText);
    EXPECT_EQ(values.nodeIdText, want.nodeIdText);
    EXPECT_EQ(values.baudIndex, want.baudIndex);
    EXPECT_EQ(values.parityIndex, want.parityIndex);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SetupReply,
    testing::Values(
        ReplyCase{"Initial", "6C 80 12 07 00 00 01 00 01 03 00", {"434.00", 6, 0, "1", "1", 3, 0}},
        ReplyCase{
            "F470", "75 80 13 01 17 27 0F 01 02 07 02", {"470.00", 0, 23, "9999", "258", 7, 2}},
        ReplyCase{"F915", "E4 C0 26 07 00 00 01 00 01 03 00", {"915.00", 6, 0, "1", "1", 3, 0}},
        // 434.0095 MHz: shown truncated, not rounded.
        ReplyCase{"TruncatesToTwoDecimals",
                  "6C 80 9C 07 00 00 01 00 01 03 00",
                  {"434.00", 6, 0, "1", "1", 3, 0}},
        ReplyCase{
            "TopRegister", "FF FF FF 07 00 00 01 00 01 03 00", {"1023.99", 6, 0, "1", "1", 3, 0}},
        ReplyCase{
            "ZeroRegister", "00 00 00 07 00 00 01 00 01 03 00", {"0.00", 6, 0, "1", "1", 3, 0}},
        ReplyCase{"IdsUnsigned",
                  "6C 80 12 07 00 FF FF FF FF 03 00",
                  {"434.00", 6, 0, "65535", "65535", 3, 0}},
        // Indexes outside a list are passed on; selecting them leaves the list empty.
        ReplyCase{"PowerZeroNoSelection",
                  "6C 80 12 00 00 00 01 00 01 08 03",
                  {"434.00", -1, 0, "1", "1", 8, 3}}),
    [](const auto& info) { return std::string(info.param.tag); });

TEST(SetupReply, ShortBlockGivesNothing) {
    const proto::Frame full =
        withCheck(hexBytes("01 00 82 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 00"));
    for (std::size_t size = 0; size < full.size(); ++size) {
        EXPECT_FALSE(proto::setupValuesIn(proto::Bytes(full).first(size)).has_value()) << size;
    }
    EXPECT_TRUE(proto::setupValuesIn(full).has_value());
}

}  // namespace
