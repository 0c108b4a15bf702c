// The lab file: what it may hold, what each module starts with, and every mistake refused with
// its line.

#include <gtest/gtest.h>

#include <fstream>

#include "Lab.h"
#include "LabFile.h"
#include "RouteLabels.h"
#include "ScopedRuntimeDir.h"
#include "SendNames.h"
#include "SetupNames.h"

namespace {

using namespace std::chrono_literals;

TEST(LabFile, NodeSetupValuesAndLinkDefaults) {
    const sim::LabRead read = sim::parseLab(
        "[[link]]\nnodes = [7, 1]\nlink_value = 0\n"  // links may come before their nodes
        "[[node]]\nid = 1\n"
        "[[node]]\nid = 7\ncom = 17\nfrequency = 470\npower = 3\nlife_cycle = \"6h\"\n"
        "network_id = 4660\nuart_baud = 115200\nuart_parity = \"EVEN\"\npowered = false\n"
        "cable = \"pulled\"\n"
        "[[node]]\nid = 9\n"
        "[[link]]\nnodes = [1, 9]  # a comment\n"
        "link_value = 255\ndelivery = 0\nlatency_ms = 60000\n",
        "x");
    ASSERT_EQ(read.error, "");
    const sim::LabPlan& plan = *read.plan;
    ASSERT_EQ(plan.nodes.size(), 3u);
    EXPECT_EQ(plan.nodes[0], (sim::LabNode{1, std::nullopt, sim::startSetup(1), true, true}));
    const proto::Setup seven{.frequencyRegister = *proto::frequencyRegisterFromMhz(470),
                             .powerCode = 3,
                             .lifeCycleCode = 5,
                             .networkId = 4660,
                             .nodeId = 7,
                             .uartRateCode = 7,
                             .parityCode = 2};
    EXPECT_EQ(plan.nodes[1], (sim::LabNode{7, 17, seven, false, false}));
    EXPECT_EQ(plan.links, (std::vector<sim::LabLink>{{7, 1, 0, 1.0, 0ms}, {1, 9, 255, 0.0, 60s}}));
}

struct BadLab {
    const char* tag;
    std::string text;
    std::string error;
};

class BadLabFile : public testing::TestWithParam<BadLab> {};

TEST_P(BadLabFile, IsRefusedWithItsLine) {
    const sim::LabRead read = sim::parseLab(GetParam().text, "lab.toml");
    EXPECT_FALSE(read.plan);
    EXPECT_EQ(read.error, GetParam().error);
}

const std::string kTwo = "[[node]]\nid = 1\n[[node]]\nid = 2\n";

INSTANTIATE_TEST_SUITE_P(
    Mistakes, BadLabFile,
    testing::Values(
        BadLab{"not_toml", "[[node]]\nid = = 1\n",
               "lab.toml:2: Error while parsing value: could not determine value type"},
        BadLab{"no_node", "# empty\n", "lab.toml:1: the lab has no [[node]]"},
        BadLab{"unknown_table", kTwo + "[radio]\n", "lab.toml:5: unknown key 'radio'"},
        BadLab{"node_not_a_table_array", "node = 1\n",
               "lab.toml:1: give each node as a [[node]] table"},
        BadLab{"id_missing", "[[node]]\ncom = 3\n", "lab.toml:1: 'id' is missing"},
        BadLab{"id_too_large", "[[node]]\nid = 65535\n",
               "lab.toml:2: 'id' must be a whole number from 0 to 65534"},
        BadLab{"id_text", "[[node]]\nid = \"1\"\n",
               "lab.toml:2: 'id' must be a whole number from 0 to 65534"},
        BadLab{"id_twice", kTwo + "[[node]]\nid = 2\n", "lab.toml:5: node 2 twice"},
        BadLab{"com_zero", "[[node]]\nid = 1\ncom = 0\n",
               "lab.toml:3: 'com' must be a whole number from 1 to 255"},
        BadLab{"com_twice", "[[node]]\nid = 1\ncom = 9\n[[node]]\nid = 2\ncom = 9\n",
               "lab.toml:6: COM9 given twice"},
        BadLab{"node_id_key", "[[node]]\nid = 1\nnode_id = 2\n",
               "lab.toml:3: unknown key 'node_id'"},
        BadLab{"unknown_node_key", "[[node]]\nid = 1\npowerd = true\n",
               "lab.toml:3: unknown key 'powerd'"},
        BadLab{"bad_frequency", "[[node]]\nid = 1\nfrequency = -1\n",
               "lab.toml:3: -1 is not a valid frequency: give MHz above 0 and below 1024"},
        BadLab{"bad_uart_baud", "[[node]]\nid = 1\nuart_baud = 9601\n",
               "lab.toml:3: 9601 is not a valid uart_baud: give 1200, 2400, 4800, 9600, 19200, "
               "38400, 57600, 115200"},
        BadLab{"setting_as_table", "[[node]]\nid = 1\npower = [7]\n",
               "lab.toml:3: 'power' must be a number or a text"},
        BadLab{"powered_text", "[[node]]\nid = 1\npowered = \"yes\"\n",
               "lab.toml:3: 'powered' must be true or false"},
        BadLab{"cable_cut", "[[node]]\nid = 1\ncable = \"cut\"\n",
               "lab.toml:3: 'cable' must be \"plugged\" or \"pulled\""},
        BadLab{"link_three_nodes", kTwo + "[[link]]\nnodes = [1, 2, 3]\nlink_value = 1\n",
               "lab.toml:6: 'nodes' must name two nodes, such as [1, 2]"},
        BadLab{"link_to_itself", kTwo + "[[link]]\nnodes = [2, 2]\nlink_value = 1\n",
               "lab.toml:6: a link joins two different nodes"},
        BadLab{"link_to_nobody", kTwo + "[[link]]\nnodes = [1, 3]\nlink_value = 1\n",
               "lab.toml:5: no node 3 to link"},
        BadLab{"link_twice",
               kTwo + "[[link]]\nnodes = [1, 2]\nlink_value = 1\n[[link]]\nnodes = [2, "
                      "1]\nlink_value = 1\n",
               "lab.toml:8: the link between 2 and 1 given twice"},
        BadLab{"link_value_missing", kTwo + "[[link]]\nnodes = [1, 2]\n",
               "lab.toml:5: 'link_value' is missing"},
        BadLab{"link_value_too_large", kTwo + "[[link]]\nnodes = [1, 2]\nlink_value = 256\n",
               "lab.toml:7: 'link_value' must be a whole number from 0 to 255"},
        BadLab{"delivery_above_one",
               kTwo + "[[link]]\nnodes = [1, 2]\nlink_value = 1\ndelivery = 1.5\n",
               "lab.toml:8: 'delivery' must be a number from 0 to 1"},
        BadLab{"latency_negative",
               kTwo + "[[link]]\nnodes = [1, 2]\nlink_value = 1\nlatency_ms = -1\n",
               "lab.toml:8: 'latency_ms' must be a whole number from 0 to 60000"},
        BadLab{"unknown_link_key", kTwo + "[[link]]\nnodes = [1, 2]\nlink_value = 1\nrssi = 3\n",
               "lab.toml:8: unknown key 'rssi'"}),
    [](const auto& info) { return info.param.tag; });

TEST(LabFile, UnreadableFileIsNamed) {
    const ScopedRuntimeDir dir;
    EXPECT_EQ(sim::readLab(dir.path() + "/none.toml").error,
              dir.path() + "/none.toml: cannot be read: No such file or directory");
    std::ofstream(dir.path() + "/empty.toml");
    EXPECT_EQ(sim::readLab(dir.path() + "/empty.toml").error,
              dir.path() + "/empty.toml:1: the lab has no [[node]]");
}

// The shipped example: six modules on COM200 to COM205, the far ends two hops apart, and one
// module on another network id that only ever finds no route.
TEST(LabFile, ShippedExample) {
    const sim::LabRead read = sim::readLab(MESHCFG_EXAMPLE_LAB);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.plan->nodes.size(), 6u);
    for (std::size_t k = 0; k < 6; ++k) EXPECT_EQ(read.plan->nodes[k].com, 200 + int(k));
    sim::Lab lab(*read.plan, 1);
    const auto route = [&](std::size_t module) {
        lab.hear(module, {sim::Received::Kind::kFrame, proto::encode(proto::RouteListRequest{})},
                 {});
        std::vector<std::string> log;
        return forms::decodeRouteList(
            lab.takeDue(sim::Lab::Clock::time_point{} + 1h, log).front().bytes);
    };
    EXPECT_EQ(route(0)->targetNodes, (std::vector<std::string>{"2", "3", "4", "6"}));
    EXPECT_EQ(route(0)->routeNodes, (std::vector<std::string>{"2", "3", "3", "2"}));
    EXPECT_EQ(route(4)->targetNodes, std::vector<std::string>{});
    for (const std::uint16_t target : {1, 2, 3, 4, 6}) {
        const std::string line =
            lab.hear(4,
                     {sim::Received::Kind::kFrame,
                      proto::encode(proto::SendDataRequest{
                          .target = target, .jump = 7, .routeMode = 1, .data = {1}})},
                     {});
        EXPECT_NE(line.find("status=C7"), std::string::npos) << line;
    }
}

}  // namespace
