#include <gtest/gtest.h>

#include <climits>

#include "NumberText.h"

namespace {

TEST(ReadDecimal, DigitsUpToFirstOtherCharacterSaturating) {
    const struct {
        const char* text;
        int value;
    } rows[] = {
        {"", 0},
        {"1", 1},
        {"9999", 9999},
        {"  \t\n42", 42},
        {"+7", 7},
        {"-1", -1},
        {"1A", 1},
        {"A1", 0},
        {"12 34", 12},
        {"- 1", 0},
        {"0x10", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"-99999999999", INT_MIN},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(forms::readDecimal(row.text), row.value) << '"' << row.text << '"';
    }
}

TEST(ReadDouble, ClassicNumberPrefix) {
    const struct {
        const char* text;
        double value;
    } rows[] = {
        {"", 0.0},   {"abc", 0.0},    {"434", 434.0},   {"  433.5", 433.5}, {"-99", -99.0},
        {".5", 0.5}, {"1e3", 1000.0}, {"433,5", 433.0}, {"915MHz", 915.0},  {"+470.", 470.0},
    };
    for (const auto& row : rows) {
        EXPECT_DOUBLE_EQ(forms::readDouble(row.text), row.value) << '"' << row.text << '"';
    }
}

}  // namespace
