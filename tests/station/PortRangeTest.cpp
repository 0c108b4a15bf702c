#include <gtest/gtest.h>

#include "PortRange.h"

namespace {

struct RangeCase {
    std::string name;
    std::vector<std::string> ports;
};

class PortRangeExpands : public testing::TestWithParam<RangeCase> {};

TEST_P(PortRangeExpands, OnlyTheExactComForm) {
    EXPECT_EQ(expandPortRange(GetParam().name), GetParam().ports);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PortRangeExpands,
    testing::Values(RangeCase{"COM33-COM35", {"COM33", "COM34", "COM35"}},
                    RangeCase{"COM7-COM7", {"COM7"}}, RangeCase{"COM35-COM33", {"COM35-COM33"}},
                    RangeCase{"COM33", {"COM33"}},
                    RangeCase{"/dev/serial/by-id/usb-FTDI-if00",
                              {"/dev/serial/by-id/usb-FTDI-if00"}},
                    RangeCase{"COM033-COM035", {"COM033-COM035"}},
                    RangeCase{"com33-com35", {"com33-com35"}}, RangeCase{"COM33-35", {"COM33-35"}},
                    RangeCase{"rfc2217://bench-3:3333", {"rfc2217://bench-3:3333"}}));

}  // namespace
