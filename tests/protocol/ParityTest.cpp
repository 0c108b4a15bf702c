#include <gtest/gtest.h>

#include <string_view>

#include "LineSettings.h"

namespace {

struct ParityRow {
    std::string_view name;
    int code;
    proto::Parity parity;
};

class ParityNaming : public ::testing::TestWithParam<ParityRow> {};

// The panel's list index, the user's word and the type the layers carry name the same parity.
TEST_P(ParityNaming, NameCodeAndTypeAgree) {
    const ParityRow row = GetParam();
    EXPECT_EQ(proto::parityFromName(row.name), row.parity);
    EXPECT_EQ(proto::parityFromCode(row.code), row.parity);
    EXPECT_EQ(proto::parityCodeOf(row.parity), row.code);
    EXPECT_EQ(proto::parityNameOf(row.parity), row.name);
}

INSTANTIATE_TEST_SUITE_P(Parity, ParityNaming,
                         ::testing::Values(ParityRow{"NO", 0, proto::Parity::kNone},
                                           ParityRow{"ODD", 1, proto::Parity::kOdd},
                                           ParityRow{"EVEN", 2, proto::Parity::kEven}),
                         [](const auto& info) { return std::string(info.param.name); });

// A module may report parities the port cannot be opened with; the user's words are exact.
TEST(ParityRefusal, OtherNamesAndCodes) {
    for (const std::string_view name : {"MARK", "SPACE", "no", "Even", " NO", "NO ", "", "0"})
        EXPECT_EQ(proto::parityFromName(name), std::nullopt) << name;
    for (const int code : {-1, 3, 4, 255})
        EXPECT_EQ(proto::parityFromCode(code), std::nullopt) << code;
}

}  // namespace
