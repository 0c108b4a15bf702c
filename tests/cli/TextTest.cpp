#include <gtest/gtest.h>

#include <string>

#include "JsonText.h"
#include "Text.h"

namespace {

struct TextCase {
    const char* name;
    std::string text;
    std::string utf8;       // utf8Text
    std::string printable;  // terminalText
};

class ShownText : public testing::TestWithParam<TextCase> {};

TEST_P(ShownText, IsUtf8AndOneLine) {
    const TextCase& row = GetParam();
    EXPECT_EQ(forms::utf8Text(row.text), row.utf8);
    EXPECT_EQ(forms::terminalText(row.text), row.printable);
}

TEST_P(ShownText, IsPrintedAsJsonThatReadsBack) {
    const TextCase& row = GetParam();
    const std::string line =
        reports::jsonText({{"device", row.text},
                           {"events", modlink::Json::array({modlink::Json{{"why", row.text}}})}});
    EXPECT_EQ(line.find('\n'), std::string::npos);
    const modlink::Json back = modlink::Json::parse(line);
    EXPECT_EQ(back.at("device"), row.utf8);
    EXPECT_EQ(back.at("events").at(0).at("why"), row.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ShownText,
    testing::Values(TextCase{"Ascii", "/dev/ttyUSB0", "/dev/ttyUSB0", "/dev/ttyUSB0"},
                    TextCase{"Utf8Kept", "\xE6\xA8\xA1\xE5\x9D\x97 caf\xC3\xA9",
                             "\xE6\xA8\xA1\xE5\x9D\x97 caf\xC3\xA9",
                             "\xE6\xA8\xA1\xE5\x9D\x97 caf\xC3\xA9"},
                    TextCase{"NoBreakSpaceKept", "a\xC2\xA0z", "a\xC2\xA0z", "a\xC2\xA0z"},
                    TextCase{"StrayByte", "tty\xFF", "tty\\xFF", "tty\\xFF"},
                    TextCase{"Latin1", "Z\xFCrich", "Z\\xFCrich", "Z\\xFCrich"},
                    TextCase{"CutCharacterThenText", "\xE2\x82x", "\\xE2\\x82x", "\\xE2\\x82x"},
                    TextCase{"Overlong", "\xC0\xAF", "\\xC0\\xAF", "\\xC0\\xAF"},
                    TextCase{"Surrogate", "\xED\xA0\x80", "\\xED\\xA0\\x80", "\\xED\\xA0\\x80"},
                    TextCase{"BeyondUnicode", "\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80",
                             "\\xF4\\x90\\x80\\x80"},
                    TextCase{"LineBreaks", "a\nb\r\tc", "a\nb\r\tc", "a\\nb\\r\\tc"},
                    TextCase{"TerminalEscape", "\x1B[31mred", "\x1B[31mred", "\\x1B[31mred"},
                    TextCase{"NulAndDelete", std::string("a\0b\x7F", 4), std::string("a\0b\x7F", 4),
                             "a\\x00b\\x7F"},
                    TextCase{"C1Control",
                             "\xC2\x9B"
                             "31m",
                             "\xC2\x9B"
                             "31m",
                             "\\xC2\\x9B31m"},
                    TextCase{"Backslash", "a\\xFF", "a\\xFF", "a\\xFF"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
