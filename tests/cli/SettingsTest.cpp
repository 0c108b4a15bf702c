// The settings between the module's codes and what scripts read and write: decimal numbers
// whatever their leading zeros, and codes outside their lists shown as unknown, never dropped.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ParseArguments.h"
#include "WriteCommand.h"

namespace {

struct Written {
    const char* name;
    std::vector<std::string> options;
    proto::Setup expected;  // the changes applied to a default setup
};

class WrittenSettings : public testing::TestWithParam<Written> {};

TEST_P(WrittenSettings, becomeTheModulesCodes) {
    std::vector<std::string> arguments{"-p", "COM1", "write"};
    arguments.insert(arguments.end(), GetParam().options.begin(), GetParam().options.end());
    const cli::ParsedCommandLine parsed = parse(arguments);
    ASSERT_TRUE(parsed.run) << parsed.error;
    ASSERT_NE(parsed.run->optionsAs<cli::WriteOptions>(), nullptr);
    proto::Setup setup;
    parsed.run->optionsAs<cli::WriteOptions>()->changes.applyTo(setup);
    EXPECT_EQ(setup, GetParam().expected);
}

proto::Setup with(void (*change)(proto::Setup&)) {
    proto::Setup setup;
    change(setup);
    return setup;
}

const Written kWritten[] = {
    {"zeroPaddedIds", {"--node-id", "0042", "--network-id", "0100"}, with([](proto::Setup& s) {
         s.nodeId = 42, s.networkId = 100;
     })},
    {"allSeven",
     {"--frequency", "433.5", "--power", "3", "--life-cycle", "6h", "--network-id", "4660",
      "--node-id", "258", "--uart-baud", "115200", "--uart-parity", "EVEN"},
     {0x6C6012, 3, 5, 4660, 258, 7, 2}},
    {"largestIdsAndSlowestRate",
     {"--node-id", "65534", "--network-id", "65535", "--uart-baud", "01200", "--uart-parity", "NO"},
     with([](proto::Setup& s) {
         s.nodeId = 65534, s.networkId = 65535, s.uartRateCode = 0, s.parityCode = 0;
     })},
};

INSTANTIATE_TEST_SUITE_P(, WrittenSettings, testing::ValuesIn(kWritten),
                         [](const auto& info) { return std::string(info.param.name); });

struct Shown {
    const char* name;
    proto::Setup setup;
    const char* json;
    std::vector<std::string> unlisted;
};

class ShownSettings : public testing::TestWithParam<Shown> {};

TEST_P(ShownSettings, nameEveryCodeOrSayItIsUnknown) {
    EXPECT_EQ(modlink::settingsJson(GetParam().setup).dump(), GetParam().json);
    EXPECT_EQ(modlink::unlistedCodes(GetParam().setup), GetParam().unlisted);
}

const Shown kShown[] = {
    {"listed",
     {0x6C6012, 3, 5, 4660, 258, 7, 2},
     R"({"frequency":433.5,"power":3,"life_cycle":"6h","network_id":4660,"node_id":258,)"
     R"("uart_baud":115200,"uart_parity":"EVEN"})",
     {}},
    {"outsideEveryList",
     {0x6C6012, 0, 30, 1, 1, 8, 3},
     R"({"frequency":433.5,"power":null,"life_cycle":null,"network_id":1,"node_id":1,)"
     R"("uart_baud":null,"uart_parity":null})",
     {"power code 0", "life_cycle code 30", "uart_baud code 8", "uart_parity code 3"}},
};

INSTANTIATE_TEST_SUITE_P(, ShownSettings, testing::ValuesIn(kShown),
                         [](const auto& info) { return std::string(info.param.name); });

// One option each: the option reaches its own field of the setup and leaves the other six
// missing, whichever key the table and the setting's rules pair it with.
struct OneSetting {
    const char* option;
    const char* value;
    proto::SetupKey key;
    proto::Setup expected;
};

class SingleSetting : public testing::TestWithParam<OneSetting> {};

TEST_P(SingleSetting, changesItsFieldAndLeavesTheOthersMissing) {
    const cli::ParsedCommandLine parsed =
        parse({"-p", "COM1", "write", GetParam().option, GetParam().value});
    ASSERT_TRUE(parsed.run) << parsed.error;
    const proto::SettingChanges& changes = parsed.run->optionsAs<cli::WriteOptions>()->changes;
    proto::Setup setup;
    changes.applyTo(setup);
    EXPECT_EQ(setup, GetParam().expected);
    std::vector<std::string> others;
    for (const proto::SetupKeyNames& names : proto::kSetupKeys)
        if (names.key != GetParam().key) others.emplace_back(names.name);
    EXPECT_EQ(changes.missingKeys(), others);
}

const OneSetting kOneSetting[] = {
    {"--frequency", "433.5", proto::SetupKey::kFrequency,
     with([](proto::Setup& s) { s.frequencyRegister = 0x6C6012; })},
    {"--power", "3", proto::SetupKey::kPower, with([](proto::Setup& s) { s.powerCode = 3; })},
    {"--life-cycle", "6h", proto::SetupKey::kLifeCycle,
     with([](proto::Setup& s) { s.lifeCycleCode = 5; })},
    {"--network-id", "4660", proto::SetupKey::kNetworkId,
     with([](proto::Setup& s) { s.networkId = 4660; })},
    {"--node-id", "258", proto::SetupKey::kNodeId, with([](proto::Setup& s) { s.nodeId = 258; })},
    {"--uart-baud", "115200", proto::SetupKey::kUartRate,
     with([](proto::Setup& s) { s.uartRateCode = 7; })},
    {"--uart-parity", "EVEN", proto::SetupKey::kParity,
     with([](proto::Setup& s) { s.parityCode = 2; })},
};

INSTANTIATE_TEST_SUITE_P(, SingleSetting, testing::ValuesIn(kOneSetting), [](const auto& info) {
    std::string name = info.param.option + 2;
    std::erase(name, '-');
    return name;
});

}  // namespace
