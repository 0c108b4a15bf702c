// Where rows wait for the line's record: a spool under the user's state folder, whose
// XDG_STATE_HOME counts only as an absolute path.

#include <gtest/gtest.h>

#include <string>

#include "ScopedVariable.h"
#include "UnitRecord.h"

namespace {

struct SpoolCase {
    const char* name;
    const char* stateHome;  // nullptr: unset
    const char* folder;     // with HOME=/home/tester
};

class DefaultSpool : public testing::TestWithParam<SpoolCase> {};

TEST_P(DefaultSpool, LiesInTheStateFolder) {
    const ScopedVariable home("HOME", "/home/tester");
    const ScopedVariable state("XDG_STATE_HOME", GetParam().stateHome);
    const std::string path = station::defaultSpoolPath("sqlite:///srv/line.db");
    EXPECT_EQ(path.rfind(std::string(GetParam().folder) + "/meshcfg/spool-", 0), 0u) << path;
}

INSTANTIATE_TEST_SUITE_P(StateHomes, DefaultSpool,
                         testing::Values(SpoolCase{"Absolute", "/var/st", "/var/st"},
                                         SpoolCase{"Unset", nullptr, "/home/tester/.local/state"},
                                         SpoolCase{"Relative", "st", "/home/tester/.local/state"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
