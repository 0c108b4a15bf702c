#include <gtest/gtest.h>

#include "PortRange.h"

namespace {

struct PortRangeCase {
    std::string name;
    std::vector<std::string> ports;
};

class PortRangeExpands : public testing::TestWithParam<PortRangeCase> {};

TEST_P(PortRangeExpands, OnlyTheExactComForm) {
    EXPECT_EQ(expandPortRange(GetParam().name), GetParam().ports);
}

INSTANTIATE_TEST_SUITE_P(Names, PortRangeExpands,
                         testing::Values(PortRangeCase{"COM33-COM35", {"COM33", "COM34", "COM35"}},
                                         PortRangeCase{"COM7-COM7", {"COM7"}},
                                         PortRangeCase{"COM35-COM33", {"COM35-COM33"}},
                                         PortRangeCase{"COM33", {"COM33"}},
                                         PortRangeCase{"/dev/serial/by-id/usb-FTDI-if00",
                                                       {"/dev/serial/by-id/usb-FTDI-if00"}},
                                         PortRangeCase{"COM033-COM035", {"COM033-COM035"}},
                                         PortRangeCase{"com33-com35", {"com33-com35"}},
                                         PortRangeCase{"COM33-35", {"COM33-35"}},
                                         PortRangeCase{"rfc2217://bench-3:3333",
                                                       {"rfc2217://bench-3:3333"}}));

}  // namespace
