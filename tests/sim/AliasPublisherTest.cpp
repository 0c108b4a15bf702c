#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "AliasPublisher.h"
#include "PortNames.h"
#include "ScopedRuntimeDir.h"

namespace {

namespace fs = std::filesystem;

class AliasPublishing : public testing::Test {
  protected:
    std::string alias(int port) const {
        return ports::aliasDirectory() + "/COM" + std::to_string(port);
    }
    void prepareDirectory() const { fs::create_directory(ports::aliasDirectory()); }

    ScopedRuntimeDir m_runtime;
};

TEST_F(AliasPublishing, FirstFreeAliasLinksToTheTerminalAndGoesAway) {
    {
        const sim::AliasPublisher publisher(ports::aliasDirectory(), 200, "/dev/null");
        EXPECT_EQ(publisher.port(), 200);
        EXPECT_EQ(publisher.path(), alias(200));
        EXPECT_EQ(fs::read_symlink(alias(200)), "/dev/null");
        struct stat info {};
        ASSERT_EQ(::stat(ports::aliasDirectory().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
    EXPECT_FALSE(fs::is_symlink(fs::symlink_status(alias(200))));
}

TEST_F(AliasPublishing, SkipsTakenEntriesAndReplacesDanglingOnes) {
    prepareDirectory();
    fs::create_symlink("/dev/null", alias(200));             // a live simulator
    std::ofstream(alias(201)) << "not a link";               // something else entirely
    fs::create_symlink("/dev/pts/no-such-pty", alias(202));  // left by a dead simulator
    const sim::AliasPublisher publisher(ports::aliasDirectory(), 200, "/dev/zero");
    EXPECT_EQ(publisher.port(), 202);
    EXPECT_EQ(fs::read_symlink(alias(202)), "/dev/zero");
    EXPECT_EQ(fs::read_symlink(alias(200)), "/dev/null");
}

struct DanglingCase {
    const char* tag;
    const char* target;
    bool leftBySimulator;
};

class DanglingAlias : public AliasPublishing, public testing::WithParamInterface<DanglingCase> {};

// A dangling link is taken over only when a simulator that died left it; a user's alias for an
// adapter that is unplugged now is skipped, or refused when asked for by number, and kept.
TEST_P(DanglingAlias, IsTakenOverOnlyWhenASimulatorLeftIt) {
    prepareDirectory();
    fs::create_symlink(GetParam().target, alias(200));
    {
        const sim::AliasPublisher publisher(ports::aliasDirectory(), 200, "/dev/null");
        EXPECT_EQ(publisher.port(), GetParam().leftBySimulator ? 200 : 201);
    }
    if (GetParam().leftBySimulator) return;
    EXPECT_EQ(fs::read_symlink(alias(200)), GetParam().target);
    try {
        sim::AliasPublisher(ports::aliasDirectory(), 200, "/dev/null", 200);
        ADD_FAILURE() << "COM200 was taken over";
    } catch (const sim::AliasTaken& taken) {
        EXPECT_EQ(taken.what(), "COM200 is taken in " + ports::aliasDirectory() + " by a link to " +
                                    GetParam().target);
    }
    EXPECT_EQ(fs::read_symlink(alias(200)), GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, DanglingAlias,
    testing::Values(DanglingCase{"terminal", "/dev/pts/99999", true},
                    DanglingCase{"unplugged", "unplugged", true},
                    DanglingCase{"switched_off", "switched-off", true},
                    DanglingCase{"usb_adapter", "/dev/ttyUSB7", false},
                    DanglingCase{"adapter_by_id", "/dev/serial/by-id/usb-FTDI_FT232R-if00", false},
                    DanglingCase{"relative", "../ttyACM0", false}),
    [](const auto& info) { return info.param.tag; });

TEST_F(AliasPublishing, LeavesAnAliasThatWasReplacedMeanwhile) {
    {
        const sim::AliasPublisher publisher(ports::aliasDirectory(), 210, "/dev/null");
        fs::remove(alias(210));
        fs::create_symlink("/dev/zero", alias(210));
    }
    EXPECT_EQ(fs::read_symlink(alias(210)), "/dev/zero");
}

TEST_F(AliasPublishing, RefusesWhenNoAliasIsFree) {
    prepareDirectory();
    fs::create_symlink("/dev/null", alias(ports::kLastPort));
    EXPECT_THROW(sim::AliasPublisher(ports::aliasDirectory(), ports::kLastPort, "/dev/zero"),
                 std::runtime_error);
}

TEST_F(AliasPublishing, RefusesADirectoryOthersCanWrite) {
    prepareDirectory();
    fs::permissions(ports::aliasDirectory(), fs::perms::all);
    EXPECT_THROW(sim::AliasPublisher(ports::aliasDirectory(), 200, "/dev/null"),
                 std::runtime_error);
}

}  // namespace
