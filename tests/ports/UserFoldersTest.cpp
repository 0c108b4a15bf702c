// The user's folders: an absolute XDG value names the folder, and an empty or relative one is
// ignored as the XDG rules ask, whichever folder it is.

#include <gtest/gtest.h>

#include <string>

#include "ScopedVariable.h"
#include "UserFolders.h"

namespace {

struct FolderCase {
    const char* name;
    const char* variable;
    const char* value;  // nullptr: unset
    std::string (*folder)();
    const char* expected;  // with HOME=/home/tester
};

class UserFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(UserFolder, TakesOnlyAnAbsoluteValue) {
    const FolderCase& row = GetParam();
    const ScopedVariable home("HOME", "/home/tester");
    const ScopedVariable variable(row.variable, row.value);
    EXPECT_EQ(row.folder(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Variables, UserFolder,
    testing::Values(FolderCase{"ConfigSet", "XDG_CONFIG_HOME", "/cfg", files::configHome, "/cfg"},
                    FolderCase{"ConfigUnset", "XDG_CONFIG_HOME", nullptr, files::configHome,
                               "/home/tester/.config"},
                    FolderCase{"ConfigRelative", "XDG_CONFIG_HOME", "cfg", files::configHome,
                               "/home/tester/.config"},
                    FolderCase{"StateSet", "XDG_STATE_HOME", "/st", files::stateHome, "/st"},
                    FolderCase{"StateEmpty", "XDG_STATE_HOME", "", files::stateHome,
                               "/home/tester/.local/state"},
                    FolderCase{"StateRelative", "XDG_STATE_HOME", "st", files::stateHome,
                               "/home/tester/.local/state"},
                    FolderCase{"RuntimeSet", "XDG_RUNTIME_DIR", "/run/user/1000", files::runtimeDir,
                               "/run/user/1000"},
                    FolderCase{"RuntimeRelative", "XDG_RUNTIME_DIR", "run", files::runtimeDir, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
