// Every option of mesh test that a run could not carry out is refused as the command line is
// read, before any port opens: exit 2 and one line that says what to give instead.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "MeshTestPlan.h"
#include "ParseArguments.h"

namespace {

struct BadOption {
    const char* name;
    std::vector<std::string> options;  // after -p COM200-COM201 mesh test
    const char* message;               // a part of the one line
};

class MeshTestOption : public testing::TestWithParam<BadOption> {};

TEST_P(MeshTestOption, isRefusedBeforeAnyPortOpens) {
    std::vector<std::string> arguments{"-p", "COM200-COM201", "mesh", "test"};
    arguments.insert(arguments.end(), GetParam().options.begin(), GetParam().options.end());
    const ParsedCommandLine parsed = parse(arguments);
    EXPECT_FALSE(parsed.run.has_value());
    EXPECT_EQ(parsed.exitCode, kExitUsage);
    EXPECT_NE(parsed.error.find(GetParam().message), std::string::npos) << parsed.error;
    EXPECT_EQ(parsed.error.find("meshcfg-cli: "), 0u) << parsed.error;
    EXPECT_EQ(std::count(parsed.error.begin(), parsed.error.end(), '\n'), 1) << parsed.error;
}

const BadOption kBadOptions[] = {
    {"durationZero", {"--duration", "0s"}, "--duration '0s' ends the test before it starts"},
    {"durationZeroDays", {"--count", "5", "--duration", "0d"}, "give a longer time, such as 90s"},
    {"durationNegative", {"--duration", "-5s"}, "--duration '-5s' is not a number"},
    {"durationBeyondACentury", {"--duration", "36501d"}, "--duration '36501d' is not a number"},
    {"minDeliveryNan", {"--count", "5", "--min-delivery", "nan"}, "--min-delivery"},
    {"minDeliveryInfinite", {"--count", "5", "--min-delivery", "inf"}, "--min-delivery"},
    {"minDeliveryPercent", {"--count", "5", "--min-delivery", "95"}, "--min-delivery"},
    {"minDeliveryNegative", {"--count", "5", "--min-delivery", "-0.1"}, "--min-delivery"},
    {"minDeliveryWord", {"--count", "5", "--min-delivery", "most"}, "--min-delivery"},
    {"countZero", {"--count", "0"}, "--count"},
    {"intervalZero", {"--count", "5", "--interval", "0"}, "--interval"},
    {"jumpZero", {"--count", "5", "--jump", "0"}, "--jump"},
    {"jumpEight", {"--count", "5", "--jump", "8"}, "--jump"},
    {"routeModeUnknown", {"--count", "5", "--route-mode", "fastest"}, "--route-mode"},
    {"relaysNotHex", {"--count", "5", "--route-mode", "source", "--relays", "00G5"}, "00G5"},
    {"sizeZero", {"--count", "5", "--size", "0"}, "--size"},
    {"patienceZero", {"--count", "5", "--patience", "0"}, "--patience"},
    {"timeoutZero", {"--count", "5", "--timeout", "0"}, "--timeout"},
};

INSTANTIATE_TEST_SUITE_P(, MeshTestOption, testing::ValuesIn(kBadOptions),
                         [](const auto& info) { return std::string(info.param.name); });

// A tag names a run's ports in 16 bits: one more port than that is refused before any opens.
TEST(MeshTestPorts, moreThanATagCanNameAreRefused) {
    MeshTestOptions options;
    options.count = 1;
    for (int port = 0; port <= 65536; ++port)
        options.ports.push_back("/dev/meshcfg-test-" + std::to_string(port));
    try {
        checkMeshTestOptions(options);
        ADD_FAILURE() << "65537 ports taken";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.code(), kExitUsage);
        EXPECT_STREQ(failure.what(),
                     "mesh test: give at most 65536 ports: a send's tag names each in 16 bits");
    }
}

}  // namespace
