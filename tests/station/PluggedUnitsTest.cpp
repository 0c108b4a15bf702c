// The aliases a station sees: a dangling one is a pulled cable, and one made again between two
// scans is a new plugging even behind a terminal of the same number.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "PluggedUnits.h"
#include "ScopedRuntimeDir.h"

namespace fs = std::filesystem;

TEST(PluggedAliases, ACableReplugBetweenTwoScansIsANewUnit) {
    ScopedRuntimeDir runtime;
    const fs::path folder = fs::path(runtime.path()) / "qz470mr";
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_all);
    const fs::path terminal = fs::path(runtime.path()) / "pts-7";
    { std::ofstream(terminal.string()) << ""; }
    fs::create_symlink(terminal, folder / "COM150");
    fs::create_symlink(fs::path(runtime.path()) / "gone", folder / "COM151");  // pulled
    fs::create_symlink(terminal, folder / "ttyS0");                            // not a COM alias

    const std::vector<station::PluggedUnit> first = station::pluggedAliases();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].port, "COM150");
    EXPECT_EQ(first[0].device, fs::canonical(terminal).string());
    EXPECT_EQ(station::pluggedAliases(), first) << "the same plugging while nothing changed";

    fs::remove(folder / "COM150");
    ::usleep(2000);
    fs::create_symlink(terminal, folder / "COM150");
    const std::vector<station::PluggedUnit> again = station::pluggedAliases();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].device, first[0].device);
    EXPECT_NE(again[0], first[0]);
}

// Which aliases of the folder are units: one terminal is one module however many aliases lead to
// it, and a folder others may write to is not followed at all.
struct AliasFolder {
    const char* name;
    fs::perms folderPermissions;
    std::vector<std::pair<const char*, const char*>> aliases;  // COM name -> terminal
    std::vector<std::string> units;
};

class PluggedAliasFolder : public testing::TestWithParam<AliasFolder> {};

TEST_P(PluggedAliasFolder, GivesOneUnitATerminalFromATrustedFolder) {
    ScopedRuntimeDir runtime;
    const fs::path folder = fs::path(runtime.path()) / "qz470mr";
    fs::create_directories(folder);
    fs::permissions(folder, GetParam().folderPermissions);
    for (const auto& [alias, terminal] : GetParam().aliases) {
        const fs::path device = fs::path(runtime.path()) / terminal;
        { std::ofstream(device.string()) << ""; }
        fs::create_symlink(device, folder / alias);
    }
    std::vector<std::string> units;
    for (const station::PluggedUnit& unit : station::pluggedAliases()) units.push_back(unit.port);
    EXPECT_EQ(units, GetParam().units);
}

constexpr fs::perms kOwnerOnly = fs::perms::owner_all;

INSTANTIATE_TEST_SUITE_P(
    , PluggedAliasFolder,
    testing::Values(AliasFolder{"twoAliasesOfOneTerminal",
                                kOwnerOnly,
                                {{"COM150", "pts-7"}, {"COM151", "pts-7"}, {"COM152", "pts-8"}},
                                {"COM150", "COM152"}},
                    AliasFolder{"othersMayWrite",
                                kOwnerOnly | fs::perms::others_all,
                                {{"COM150", "pts-7"}},
                                {}},
                    AliasFolder{"theGroupMayWrite",
                                kOwnerOnly | fs::perms::group_write | fs::perms::group_exec,
                                {{"COM150", "pts-7"}},
                                {}},
                    AliasFolder{"othersMayOnlyRead",
                                kOwnerOnly | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec,
                                {{"COM150", "pts-7"}},
                                {"COM150"}}),
    [](const auto& info) { return std::string(info.param.name); });
