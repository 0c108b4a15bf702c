#include <gtest/gtest.h>

#include <string>

#include "PrintableText.h"

namespace {

struct TextRow {
    const char* tag;
    std::string raw;
    std::string shown;
};

void PrintTo(const TextRow& row, std::ostream* out) {
    *out << row.tag;
}

class Printable : public ::testing::TestWithParam<TextRow> {};

TEST_P(Printable, KeepsOnlyPrintableUtf8) {
    EXPECT_EQ(files::printableText(GetParam().raw), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    PrintableText, Printable,
    ::testing::Values(TextRow{"Trimmed", " \tCP2102\r\n", "CP2102"},
                      TextRow{"InnerBreakIsSpace", "Mesh\nRadio", "Mesh Radio"},
                      TextRow{"ControlsDropped", std::string("x\0y\x1Bz\x7Fw", 7), "xyzw"},
                      TextRow{"WideCharactersKept", "\xE6\xA8\xA1\xE5\x9D\x97 \xF0\x9F\x93\xA1",
                              "\xE6\xA8\xA1\xE5\x9D\x97 \xF0\x9F\x93\xA1"},
                      TextRow{"C1ControlDropped", "x\xC2\x85y", "xy"},
                      TextRow{"OverlongDropped", "x\xC0\xAFy", "xy"},
                      TextRow{"SurrogateDropped", "x\xED\xA0\x80y", "xy"},
                      TextRow{"BeyondUnicodeDropped", "x\xF4\x90\x80\x80y", "xy"},
                      TextRow{"TruncatedDropped", "xy\xE2\x82", "xy"},
                      TextRow{"OnlyBlanks", "\n \t", ""}),
    [](const auto& info) { return std::string(info.param.tag); });

}  // namespace
