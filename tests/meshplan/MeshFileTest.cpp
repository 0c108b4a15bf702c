// A mesh file refused with its file and line for each thing wrong, before any port opens.

#include <gtest/gtest.h>

#include <fstream>

#include "MeshFile.h"
#include "PortAlias.h"
#include "PortDirectory.h"
#include "PtyPair.h"
#include "ScopedRuntimeDir.h"
#include "Surveys.h"
#include "TempFolder.h"

namespace {

using meshplan::MeshFileError;
using meshplan::parseMeshFile;

struct RefusedFile {
    std::string name;
    std::string text;
    std::string refusal;  // the whole line
};

class RefusedFiles : public testing::TestWithParam<RefusedFile> {};

TEST_P(RefusedFiles, SayWhatAndWhereInOneLine) {
    const RefusedFile& row = GetParam();
    try {
        parseMeshFile("site.toml", row.text);
        FAIL() << "taken: " << row.text;
    } catch (const MeshFileError& error) {
        EXPECT_EQ(error.what(), row.refusal);
    }
}

const std::string kModule1 = "[[module]]\nport = \"COM200\"\nnode_id = 1\n";

INSTANTIATE_TEST_SUITE_P(
    MeshFile, RefusedFiles,
    testing::Values(
        RefusedFile{"unknown_top_key", "[defaults]\npower = 7\n[module2]\n",
                    "site.toml:3: unknown key 'module2' (defaults, module, expect)"},
        RefusedFile{"unknown_module_key", "[[module]]\nport = \"COM200\"\nnode = 1\n",
                    "site.toml:3: unknown key 'node' (port, adapter, frequency, power, life_cycle, "
                    "network_id, node_id, uart_baud, uart_parity)"},
        RefusedFile{"unknown_default", "[defaults]\nspeed = 9600\n" + kModule1,
                    "site.toml:2: unknown key 'speed' (frequency, power, life_cycle, network_id, "
                    "node_id, uart_baud, uart_parity)"},
        RefusedFile{"value_out_of_range", "[defaults]\npower = 9\n" + kModule1,
                    "site.toml:2: 9 is not a valid power: give 1 to 7"},
        RefusedFile{"value_the_module_cannot_hold",
                    kModule1 + "[[module]]\nport = \"COM201\"\nnode_id = 65535\n",
                    "site.toml:6: 65535 is not a valid node_id: give 0 to 65534 (65535 is no "
                    "node)"},
        RefusedFile{"hexadecimal_integer", "[[module]]\nport = \"COM200\"\nnode_id = 0x10\n",
                    "site.toml:3: 'node_id' must be a decimal number or a text"},
        RefusedFile{"node_id_twice", kModule1 + "\n[[module]]\nport = \"COM201\"\nnode_id = 1\n",
                    "site.toml:5: node id 1 twice (line 1 gives it too)"},
        RefusedFile{"node_id_twice_through_defaults",
                    "[defaults]\nnode_id = 3\n[[module]]\nport = \"COM200\"\n[[module]]\nport = "
                    "\"COM201\"\n",
                    "site.toml:5: node id 3 twice (line 3 gives it too)"},
        RefusedFile{"no_node_id", "[[module]]\nport = \"COM200\"\n",
                    "site.toml:1: give the module's node_id"},
        RefusedFile{"no_way_to_reach", "[[module]]\nnode_id = 1\n",
                    "site.toml:1: give the module's port = \"COMn\" or its adapter = \"USB "
                    "serial\""},
        RefusedFile{"port_and_adapter",
                    "[[module]]\nport = \"COM200\"\nadapter = \"A1\"\nnode_id = 1\n",
                    "site.toml:1: give port or adapter, not both"},
        RefusedFile{"malformed_port", "[[module]]\nport = \"COM0\"\nnode_id = 1\n",
                    "site.toml:2: 'COM0' is not COM1 to COM255"},
        RefusedFile{"adapter_twice",
                    "[[module]]\nadapter = \"A1\"\nnode_id = 1\n[[module]]\nadapter = "
                    "\"A1\"\nnode_id = 2\n",
                    "site.toml:4: adapter 'A1' twice (line 1 names it too)"},
        RefusedFile{"link_to_a_node_not_named",
                    kModule1 + "[expect]\nnodes = [7]\n[[expect.link]]\nnodes = [1, 8]\n",
                    "site.toml:6: the link names node 8, which no [[module]] is and [expect] "
                    "nodes does not list"},
        RefusedFile{"link_twice",
                    kModule1 + "[expect]\nnodes = [7]\n[[expect.link]]\nnodes = [1, 7]\n"
                               "[[expect.link]]\nnodes = [7, 1]\n",
                    "site.toml:8: the link 1-7 twice (line 6 gives it too)"},
        RefusedFile{"link_value_above_zero",
                    kModule1 + "[expect]\nnodes = [7]\n[[expect.link]]\nnodes = [1, "
                               "7]\nmin_link_value = 52\n",
                    "site.toml:8: 'min_link_value' must be a decimal whole number from -255 to "
                    "0"},
        RefusedFile{"link_of_one_node", kModule1 + "[[expect.link]]\nnodes = [1, 1]\n",
                    "site.toml:5: a link joins two different nodes"},
        RefusedFile{"no_module", "[defaults]\npower = 7\n",
                    "site.toml:1: no [[module]]: name each module the file sets up"},
        RefusedFile{"not_toml", kModule1 + "power = \n",
                    "site.toml:4: Error while parsing key-value pair: expected value, saw '\\n'"}),
    mesh::test::rowName);

TEST(MeshFile, DefaultsHoldForEveryModuleAndItsOwnSettingsGoOnTop) {
    const meshplan::MeshFile file = parseMeshFile(
        "site.toml",
        "[[module]]\nadapter = \"A1\"\nnode_id = 4\npower = 5\n[defaults]\npower = 7\nlife_cycle "
        "= \"2h\"\n[expect]\nnodes = [9]\n[[expect.link]]\nnodes = [4, 9]\nmin_link_value = "
        "-70\n");
    ASSERT_EQ(file.modules.size(), 1u);
    proto::Setup setup;
    file.modules[0].settings.applyTo(setup);
    EXPECT_EQ(setup.powerCode, 5);
    EXPECT_EQ(setup.lifeCycleCode, 1);
    EXPECT_EQ(file.modules[0].nodeId, 4);
    EXPECT_EQ(file.modules[0].reach.adapterSerial, "A1");
    EXPECT_EQ(file.heardNodes, std::vector<std::uint16_t>{9});
    ASSERT_EQ(file.links.size(), 1u);
    EXPECT_EQ(file.links[0].minLinkValue, -70);
}

// Two entries that reach one terminal, each by a name of its own.
TEST(MeshFile, TwoModulesReachingOneTerminalAreRefusedAtTheSecond) {
    ScopedRuntimeDir runtime;
    PtyPair pty;
    PortAlias alias(171, pty.slavePath());
    TempFolder folder;
    const std::string path = (folder.path() / "site.toml").string();
    std::ofstream(path) << kModule1 << "[[module]]\nport = \"COM171\"\nnode_id = 2\n"
                        << "[[module]]\nport = \"" << pty.slavePath() << "\"\nnode_id = 3\n";
    try {
        meshplan::readMeshFile(path, ports::PortDirectory(ports::RemotePortTable{}));
        FAIL() << "taken";
    } catch (const MeshFileError& error) {
        EXPECT_EQ(std::string(error.what()), path + ":7: COM171 and " + pty.slavePath() +
                                                 " are one port (" + pty.slavePath() +
                                                 "): name it once");
    }
}

}  // namespace
