#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "PortAlias.h"
#include "PortDirectory.h"
#include "PortNames.h"
#include "ScopedRuntimeDir.h"
#include "UsbTestbed.h"

namespace {

struct FamilyRow {
    int port;
    const char* device;
};

class FamilyEdges : public ::testing::TestWithParam<FamilyRow> {
  protected:
    ScopedRuntimeDir m_runtimeDir;  // no aliases
    UsbTestbed m_emptyTree;         // and no adapters, whatever is plugged into this machine
};

TEST_P(FamilyEdges, MapsToTheFamilyDevice) {
    const FamilyRow row = GetParam();
    EXPECT_EQ(ports::devicePathForPort(row.port), row.device);
    EXPECT_EQ(ports::PortDirectory().entryText(row.port),
              "COM" + std::to_string(row.port) + " (" + row.device + ")");
}

INSTANTIATE_TEST_SUITE_P(
    PortNames, FamilyEdges,
    ::testing::Values(FamilyRow{1, "/dev/ttyS0"}, FamilyRow{32, "/dev/ttyS31"},
                      FamilyRow{33, "/dev/ttyUSB0"}, FamilyRow{64, "/dev/ttyUSB31"},
                      FamilyRow{65, "/dev/ttyACM0"}, FamilyRow{96, "/dev/ttyACM31"},
                      FamilyRow{97, "/dev/ttyAMA0"}, FamilyRow{128, "/dev/ttyAMA31"}),
    [](const auto& info) { return "COM" + std::to_string(info.param.port); });

TEST(PortNames, PortsBeyondTheFamiliesMapToNothingWithoutAnAlias) {
    ScopedRuntimeDir runtimeDir;
    for (int port = 129; port <= ports::kLastPort; ++port) {
        EXPECT_EQ(ports::devicePathForPort(port), std::nullopt) << "COM" << port;
        EXPECT_EQ(ports::PortDirectory().entryText(port), "COM" + std::to_string(port));
    }
    for (int port : {0, -1, ports::kLastPort + 1})
        EXPECT_EQ(ports::devicePathForPort(port), std::nullopt);
}

TEST(PortNames, AliasWinsOverTheFamilyAndShowsWhereItPoints) {
    ScopedRuntimeDir runtimeDir;
    const PortAlias low(3, "/dev/pts/7");
    const PortAlias high(200, "/dev/pts/8");
    EXPECT_EQ(ports::devicePathForPort(3), runtimeDir.path() + "/qz470mr/COM3");
    EXPECT_EQ(ports::PortDirectory().entryText(3), "COM3 (/dev/pts/7)");
    EXPECT_EQ(ports::devicePathForPort(200), high.path());
    EXPECT_EQ(ports::PortDirectory().entryText(200), "COM200 (/dev/pts/8)");
    EXPECT_EQ(ports::devicePathForPort(4), "/dev/ttyS3");  // only the aliased number moves
}

TEST(PortNames, AliasDirectoryFollowsTheRuntimeDirectory) {
    ScopedRuntimeDir runtimeDir;
    EXPECT_EQ(ports::aliasDirectory(), runtimeDir.path() + "/qz470mr");
    const std::string fallback = "/tmp/qz470mr-" + std::to_string(::getuid());
    for (const char* invalid : {"", "relative/dir"}) {
        ::setenv("XDG_RUNTIME_DIR", invalid, 1);
        EXPECT_EQ(ports::aliasDirectory(), fallback) << '"' << invalid << '"';
    }
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(ports::aliasDirectory(), fallback);
}

}  // namespace
