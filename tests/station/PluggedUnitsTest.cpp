// The aliases a station sees: a dangling one is a pulled cable, and one made again between two
// scans is a new plugging even behind a terminal of the same number.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "PluggedUnits.h"
#include "ScopedRuntimeDir.h"

namespace fs = std::filesystem;

TEST(PluggedAliases, ACableReplugBetweenTwoScansIsANewUnit) {
    ScopedRuntimeDir runtime;
    const fs::path folder = fs::path(runtime.path()) / "qz470mr";
    fs::create_directories(folder);
    const fs::path terminal = fs::path(runtime.path()) / "pts-7";
    { std::ofstream(terminal.string()) << ""; }
    fs::create_symlink(terminal, folder / "COM150");
    fs::create_symlink(fs::path(runtime.path()) / "gone", folder / "COM151");  // pulled
    fs::create_symlink(terminal, folder / "ttyS0");                            // not a COM alias

    const std::vector<PluggedUnit> first = pluggedAliases();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].port, "COM150");
    EXPECT_EQ(first[0].device, fs::canonical(terminal).string());
    EXPECT_EQ(pluggedAliases(), first) << "the same plugging while nothing changed";

    fs::remove(folder / "COM150");
    ::usleep(2000);
    fs::create_symlink(terminal, folder / "COM150");
    const std::vector<PluggedUnit> again = pluggedAliases();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].device, first[0].device);
    EXPECT_NE(again[0], first[0]);
}
