#include <gtest/gtest.h>

#include "NetworkAddress.h"

namespace {

struct AddressRow {
    const char* name;
    const char* text;
    const char* hostPort;  // nullptr: refused
    const char* refusal;   // part of the message when refused
};

class NetworkAddressParse : public ::testing::TestWithParam<AddressRow> {};

TEST_P(NetworkAddressParse, AcceptsOrSaysWhatIsWrong) {
    const AddressRow& row = GetParam();
    const ports::ParsedAddress parsed = ports::parseNetworkAddress(row.text);
    EXPECT_TRUE(ports::looksLikeNetworkAddress(row.text));
    if (row.hostPort == nullptr) {
        EXPECT_FALSE(parsed.address);
        EXPECT_NE(parsed.error.find(row.refusal), std::string::npos) << parsed.error;
        return;
    }
    ASSERT_TRUE(parsed.address) << parsed.error;
    EXPECT_EQ(parsed.address->hostPort(), row.hostPort);
    EXPECT_EQ(parsed.address->text(), row.text);  // written back as the user wrote it
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NetworkAddressParse,
    ::testing::Values(AddressRow{"Rfc2217", "rfc2217://bench-3:3333", "bench-3:3333", nullptr},
                      AddressRow{"RawTcp", "tcp://10.0.0.5:4001", "10.0.0.5:4001", nullptr},
                      AddressRow{"Ipv6", "rfc2217://[::1]:3333", "[::1]:3333", nullptr},
                      AddressRow{"HighestPort", "tcp://h:65535", "h:65535", nullptr},
                      AddressRow{"NoPort", "rfc2217://bench-3", nullptr, "has no :PORT"},
                      AddressRow{"PortZero", "rfc2217://bench-3:0", nullptr, "1 to 65535"},
                      AddressRow{"PortTooHigh", "rfc2217://bench-3:65536", nullptr, "1 to 65535"},
                      AddressRow{"PortNotDecimal", "rfc2217://bench-3:33a", nullptr, "1 to 65535"},
                      AddressRow{"OtherScheme", "telnet://bench-3:23", nullptr, "unknown scheme"},
                      AddressRow{"NoHost", "rfc2217://:3333", nullptr, "has no host"},
                      AddressRow{"Ipv6WithoutBrackets", "rfc2217://::1:3333", nullptr, "brackets"},
                      AddressRow{"UnclosedBracket", "rfc2217://[::1:3333", nullptr, "no ']'"},
                      AddressRow{"UserPart", "rfc2217://me@bench-3:3333", nullptr,
                                 "no host name has"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NetworkAddressParse, DevicePathsAreNotAddresses) {
    for (const char* path : {"/dev/ttyUSB0", "COM150", "/dev/serial/by-id/usb-x:y"})
        EXPECT_FALSE(ports::looksLikeNetworkAddress(path)) << path;
}

}  // namespace
