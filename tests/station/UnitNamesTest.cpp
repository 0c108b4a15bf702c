#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "UnitNames.h"

namespace {

// Units claimed in turn (port, serial), some ended before the next; each gets the expected name.
struct NamingStep {
    const char* port;
    const char* serial;
    const char* name;
    bool namesModule;
    int endClaim = -1;  // the step whose claim ends before this one
};

struct NamesCase {
    const char* title;
    std::vector<NamingStep> steps;
};

const NamesCase kCases[] = {
    {"serialsNameTheirModules", {{"COM200", "A1", "A1", true}, {"COM201", "B2", "B2", true}}},
    {"noSerialNamesThePort", {{"COM200", "", "COM200", false}}},
    {"aSharedSerialNamesTheSecondByItsPort",
     {{"COM200", "0001", "0001", true}, {"COM201", "0001", "COM201", false}}},
    {"aSerialIsFreeAgainOnceItsUnitEnds",
     {{"COM200", "0001", "0001", true}, {"COM201", "0001", "0001", true, 0}}},
    {"theSecondEndingFirstLeavesTheSerialHeld",
     {{"COM200", "0001", "0001", true},
      {"COM201", "0001", "COM201", false},
      {"COM202", "0001", "COM202", false, 1}}},
};

class UnitNamesTest : public testing::TestWithParam<NamesCase> {};

TEST_P(UnitNamesTest, NameEachRunningUnitOnce) {
    station::UnitNames names;
    std::vector<std::unique_ptr<station::UnitNames::Claim>> claims;
    for (const NamingStep& step : GetParam().steps) {
        if (step.endClaim >= 0) claims.at(step.endClaim).reset();
        claims.push_back(
            std::make_unique<station::UnitNames::Claim>(names.claim(step.port, step.serial)));
        EXPECT_EQ(claims.back()->name().text, step.name) << step.port;
        EXPECT_EQ(claims.back()->name().namesModule, step.namesModule) << step.port;
    }
}

INSTANTIATE_TEST_SUITE_P(Claims, UnitNamesTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.title); });

}  // namespace
