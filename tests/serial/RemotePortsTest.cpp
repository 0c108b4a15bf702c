// COM names for ports across the network from ports.toml: what is taken, what is left out
// with its file and line, and the list beside the local ports without connecting.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "PortAlias.h"
#include "PortDirectory.h"
#include "PtyPair.h"
#include "RemotePorts.h"
#include "ScopedRuntimeDir.h"

namespace {

constexpr int kAliasedPort = 200;

class RemotePortsFile : public ::testing::Test {
  protected:
    RemotePortsFile() {
        if (const char* previous = std::getenv("XDG_CONFIG_HOME")) m_previousConfig = previous;
        ::setenv("XDG_CONFIG_HOME", m_dir.path().c_str(), 1);
    }
    ~RemotePortsFile() override {
        if (m_previousConfig)
            ::setenv("XDG_CONFIG_HOME", m_previousConfig->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    void write(const std::string& content) {
        std::filesystem::create_directories(m_dir.path() + "/meshcfg");
        std::ofstream(ports::remotePortsPath()) << content;
    }

    ScopedRuntimeDir m_dir;  // aliases and the configuration both live here
    std::optional<std::string> m_previousConfig;
    PtyPair m_pty;
    PortAlias m_alias{kAliasedPort, m_pty.slavePath()};
};

struct FileRow {
    const char* name;
    const char* content;
    std::vector<std::string> ports;     // "COMn url", in COM order
    std::vector<std::string> problems;  // ":LINE: what", after the file's path
};

class RemotePortsRows : public RemotePortsFile, public ::testing::WithParamInterface<FileRow> {};

TEST_P(RemotePortsRows, TakeWhatIsUsableAndSayWhereTheRestIsWrong) {
    const FileRow& row = GetParam();
    write(row.content);
    const ports::RemotePortTable table = ports::readRemotePorts();
    std::vector<std::string> ports;
    for (const ports::RemotePort& entry : table.ports)
        ports.push_back("COM" + std::to_string(entry.port) + " " + entry.address.text());
    EXPECT_EQ(ports, row.ports);
    std::vector<std::string> problems;
    for (const std::string& problem : row.problems) {
        std::string expected = ports::remotePortsPath() + problem;
        const auto holder = expected.find("PTY");
        if (holder != std::string::npos) expected.replace(holder, 3, m_pty.slavePath());
        problems.push_back(expected);
    }
    EXPECT_EQ(table.problems, problems);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RemotePortsRows,
    ::testing::Values(
        FileRow{"TwoEntriesInComOrder",
                "[ports]\nCOM150 = \"rfc2217://bench-3:3333\"\nCOM140 = \"tcp://10.0.0.5:4001\"\n",
                {"COM140 tcp://10.0.0.5:4001", "COM150 rfc2217://bench-3:3333"},
                {}},
        FileRow{"NumberHeldByAnAlias",
                "[ports]\nCOM150 = \"rfc2217://a:1\"\nCOM200 = \"rfc2217://b:2\"\n",
                {"COM150 rfc2217://a:1"},
                {":3: COM200 is already PTY (a COM alias); this entry is left out"}},
        FileRow{"NotAComName",
                "[ports]\nCOM0 = \"rfc2217://a:1\"\nbench = \"rfc2217://a:1\"\n",
                {},
                {":2: 'COM0' is not COM1 to COM255", ":3: 'bench' is not COM1 to COM255"}},
        FileRow{"NotAText",
                "[ports]\nCOM150 = 3333\n",
                {},
                {":2: COM150 must be a text such as \"rfc2217://bench-3:3333\""}},
        FileRow{"BadAddress",
                "[ports]\nCOM150 = \"http://bench-3:80\"\n",
                {},
                {":2: COM150: 'http://bench-3:80' has an unknown scheme: use rfc2217:// or "
                 "tcp://"}},
        FileRow{"NotATable", "ports = 3\n", {}, {":1: 'ports' must be a table: [ports]"}},
        FileRow{"OnePortNamedTwice",
                "[ports]\nCOM160 = \"tcp://a:1\"\nCOM0160 = \"tcp://b:2\"\n",
                {"COM160 tcp://a:1"},
                {":3: COM0160: COM160 is given on line 2 already; this entry is left out"}},
        FileRow{"OnePortNamedTwicePaddedFirst",
                "[ports]\nCOM0160 = \"tcp://b:2\"\nCOM160 = \"tcp://a:1\"\n",
                {"COM160 tcp://b:2"},
                {":3: COM160: COM160 is given on line 2 already; this entry is left out"}},
        FileRow{"NoPortsTable", "[other]\nCOM150 = \"rfc2217://a:1\"\n", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RemotePortsFile, BrokenFileIsOneLineAndNoEntry) {
    write("[ports]\nCOM150 = \"rfc2217://a:1\"\nCOM151 = \n");
    const ports::RemotePortTable table = ports::readRemotePorts();
    EXPECT_TRUE(table.ports.empty());
    ASSERT_EQ(table.problems.size(), 1u);
    EXPECT_TRUE(table.problems[0].starts_with(ports::remotePortsPath() + ":3: "))
        << table.problems[0];
}

// What stands in the file's place is said in one line, without waiting on it or reading it
// whole.
struct FileKind {
    const char* name;
    std::function<void(const std::string& path)> make;
    const char* problem;
};

class RemotePortsFileKind : public RemotePortsFile,
                            public ::testing::WithParamInterface<FileKind> {};

TEST_P(RemotePortsFileKind, IsOneLineAndNoEntry) {
    std::filesystem::create_directories(m_dir.path() + "/meshcfg");
    GetParam().make(ports::remotePortsPath());
    const ports::RemotePortTable table = ports::readRemotePorts();
    EXPECT_TRUE(table.ports.empty());
    EXPECT_EQ(table.problems,
              std::vector<std::string>{ports::remotePortsPath() + ": " + GetParam().problem +
                                       "; no remote port is listed"});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RemotePortsFileKind,
    ::testing::Values(
        FileKind{"Folder", [](const std::string& path) { std::filesystem::create_directory(path); },
                 "a folder, not a file"},
        FileKind{"PipeWithoutWriter", [](const std::string& path) { ::mkfifo(path.c_str(), 0600); },
                 "not a regular file"},
        FileKind{
            "Device",
            [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); },
            "not a regular file"},
        FileKind{"FiftyMegabytes",
                 [](const std::string& path) {
                     std::ofstream(path) << "[ports]\nCOM150 = \"tcp://a:1\"\n";
                     std::filesystem::resize_file(path, 50u * 1024 * 1024);
                 },
                 "larger than 1 MiB"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RemotePortsFile, MissingFileIsNoProblem) {
    const ports::RemotePortTable table = ports::readRemotePorts();
    EXPECT_TRUE(table.ports.empty());
    EXPECT_TRUE(table.problems.empty());
}

// bench-3 has no address here: listing it proves that nothing was looked up or connected.
TEST_F(RemotePortsFile, ListedInComOrderWithTheLocalPorts) {
    write("[ports]\nCOM210 = \"tcp://bench-3:4001\"\nCOM150 = \"rfc2217://bench-3:3333\"\n");
    std::vector<std::string> texts;
    for (const ports::ListedPort& listed : ports::PortDirectory().listed())
        if (listed.port >= 150) texts.push_back(listed.text());
    EXPECT_EQ(texts, (std::vector<std::string>{"COM150 (rfc2217://bench-3:3333)",
                                               "COM200 (" + m_pty.slavePath() + ")",
                                               "COM210 (tcp://bench-3:4001)"}));
}

// "{pty}" and "{alias}" stand for the test's pseudo-terminal and its COM200 alias.
struct TargetRow {
    const char* test;
    const char* name;
    const char* device;
    const char* url;
    const char* path;
    std::optional<int> port;
};

class PortTargets : public RemotePortsFile, public ::testing::WithParamInterface<TargetRow> {
  protected:
    std::string expand(std::string text) const {
        for (const auto& [mark, value] :
             {std::pair<std::string, std::string>{"{pty}", m_pty.slavePath()},
              {"{alias}", m_alias.path()}})
            if (const auto at = text.find(mark); at != std::string::npos)
                text.replace(at, mark.size(), value);
        return text;
    }
};

TEST_P(PortTargets, NameStandsForWhatItOpens) {
    const TargetRow& row = GetParam();
    write("[ports]\nCOM150 = \"rfc2217://bench-3:3333\"\n");
    const ports::PortTarget target = ports::PortDirectory().resolve(row.name);
    EXPECT_EQ(target.name, row.name);
    EXPECT_EQ(target.device, expand(row.device));
    EXPECT_EQ(target.url, row.url);
    EXPECT_EQ(target.path, expand(row.path));
    EXPECT_EQ(target.port, row.port);
}

INSTANTIATE_TEST_SUITE_P(
    RemotePorts, PortTargets,
    ::testing::Values(
        TargetRow{"alias", "COM200", "{pty}", "", "{alias}", kAliasedPort},
        TargetRow{"file_entry", "COM150", "", "rfc2217://bench-3:3333", "", 150},
        TargetRow{"nothing_by_that_number", "COM210", "", "", "", 210},
        TargetRow{"fixed_family", "COM4", "/dev/ttyS3", "", "/dev/ttyS3", 4},
        TargetRow{"device_path", "/dev/ttyS3", "/dev/ttyS3", "", "/dev/ttyS3", std::nullopt},
        TargetRow{"address", "tcp://bench-3:4001", "", "tcp://bench-3:4001", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.test); });

// One look: a directory keeps the file as it read it, so that one opening sees one file.
TEST_F(RemotePortsFile, DirectoryKeepsTheFileAsItWasRead) {
    const ports::PortDirectory before;
    write("[ports]\nCOM150 = \"tcp://bench-3:4001\"\n");
    const ports::PortDirectory after;
    write("[ports]\n");
    EXPECT_EQ(before.resolve("COM150").url, "");
    EXPECT_EQ(after.resolve("COM150").url, "tcp://bench-3:4001");
    EXPECT_EQ(after.target(150).address(),
              ports::parseNetworkAddress("tcp://bench-3:4001").address);
}

}  // namespace
