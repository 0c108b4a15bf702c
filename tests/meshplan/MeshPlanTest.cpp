// Plans and verdicts of a mesh file on made-up readings, and the file export writes read back.

#include <gtest/gtest.h>

#include "MeshExport.h"
#include "MeshFile.h"
#include "MeshPlan.h"
#include "MeshVerdict.h"
#include "Surveys.h"

namespace {

using mesh::test::answered;
using mesh::test::changed;
using mesh::test::failed;

// Three modules in a chain 1 - 2 - 3 (COM200 to COM202) at 434 MHz and power 7.
const std::string kChainFile =
    "[defaults]\nfrequency = 434.0\npower = 7\n"
    "[[module]]\nport = \"COM200\"\nnode_id = 1\n"
    "[[module]]\nport = \"COM201\"\nnode_id = 2\n"
    "[[module]]\nport = \"COM202\"\nnode_id = 3\n";

std::vector<std::string> planLines(const meshplan::MeshPlan& plan) {
    std::vector<std::string> lines;
    for (const meshplan::ModulePlan& module : plan.modules) {
        for (std::string& line : meshplan::changeLines(module)) lines.push_back(std::move(line));
        if (!module.current) lines.push_back(meshplan::unreadLine(module));
    }
    return lines;
}

struct PlanRow {
    std::string name;
    std::string file;
    mesh::Survey readings;
    std::vector<std::string> lines;
    std::size_t differing;
};

class Plans : public testing::TestWithParam<PlanRow> {};

TEST_P(Plans, ShowEachSettingToChangeAndEachModuleNotRead) {
    const PlanRow& row = GetParam();
    const meshplan::MeshPlan plan =
        meshplan::planMesh(meshplan::parseMeshFile("site.toml", row.file), row.readings);
    ASSERT_EQ(plan.modules.size(), 3u);
    EXPECT_EQ(planLines(plan), row.lines);
    EXPECT_EQ(plan.differing(), row.differing);
}

mesh::SurveyedPort withPower(mesh::SurveyedPort port, std::uint8_t power) {
    return changed(std::move(port), [&](mesh::ModuleAnswers& a) { a.setup->powerCode = power; });
}

INSTANTIATE_TEST_SUITE_P(
    MeshPlan, Plans,
    testing::Values(
        PlanRow{"nothing_to_change", kChainFile, mesh::test::chain(), {}, 0},
        PlanRow{"one_key",
                kChainFile,
                {answered("COM200", 1, {}), withPower(answered("COM201", 2, {}), 5),
                 answered("COM202", 3, {})},
                {"COM201 (node 2): power 5 -> 7"},
                1},
        // Two modules that hold one node id: the file sets them apart.
        PlanRow{"node_id_twice",
                kChainFile,
                {answered("COM200", 1, {}), answered("COM201", 1, {}), answered("COM202", 3, {})},
                {"COM201 (node 2): node_id 1 -> 2"},
                1},
        PlanRow{
            "a_module_absent_and_the_others_still_planned",
            kChainFile,
            {withPower(answered("COM200", 1, {}), 1), failed("COM201", "no reply within 2000 ms"),
             answered("COM202", 3, {})},
            {"COM200 (node 1): power 1 -> 7", "COM201 (node 2): not read: no reply within 2000 ms"},
            1},
        PlanRow{
            "a_module_that_answered_all_but_its_setup",
            kChainFile,
            {answered("COM200", 1, {}),
             changed(answered("COM201", 2, {}), [](mesh::ModuleAnswers& a) { a.setup.reset(); }),
             answered("COM202", 3, {})},
            {"COM201 (node 2): not read: no reply to the setup request"},
            0},
        // A code outside its list reads as unknown, and is a change.
        PlanRow{"a_code_outside_its_list",
                kChainFile + "life_cycle = \"3h\"\n",
                {answered("COM200", 1, {}), answered("COM201", 2, {}),
                 changed(answered("COM202", 3, {}),
                         [](mesh::ModuleAnswers& a) { a.setup->lifeCycleCode = 30; })},
                {"COM202 (node 3): life_cycle unknown -> 3h"},
                1}),
    mesh::test::rowName);

struct VerdictRow {
    std::string name;
    std::string expectations;  // after the chain's modules
    mesh::Survey survey;
    std::vector<std::string> drifts;
};

class Verdicts : public testing::TestWithParam<VerdictRow> {};

TEST_P(Verdicts, SayEachDriftInOneLine) {
    const VerdictRow& row = GetParam();
    const meshplan::Verdict verdict = meshplan::verifyMesh(
        meshplan::parseMeshFile("site.toml", kChainFile + row.expectations), row.survey);
    EXPECT_EQ(verdict.drifts(), row.drifts);
}

// 1 last sent to 3 over 2: the hop 1-2 at -40, 2-3 at -60.
INSTANTIATE_TEST_SUITE_P(
    MeshVerdict, Verdicts,
    testing::Values(
        VerdictRow{"as_described",
                   "[expect]\nnodes = [1, 2, 3]\n[[expect.link]]\nnodes = [1, 2]\nmin_link_value "
                   "= -40\n[[expect.link]]\nnodes = [3, 2]\n",
                   mesh::test::chain(),
                   {}},
        VerdictRow{"a_setting_drifted",
                   "",
                   {answered("COM200", 1, {{2, 2}}), withPower(answered("COM201", 2, {{1, 1}}), 3),
                    answered("COM202", 3, {})},
                   {"COM201 (node 2): power 3, wanted 7"}},
        VerdictRow{"a_node_not_heard",
                   "[expect]\nnodes = [3, 9]\n",
                   mesh::test::chain(),
                   {"node 9: heard by no module's route list"}},
        // 1 and 3 reach each other through 2, never directly.
        VerdictRow{"a_link_missing",
                   "[[expect.link]]\nnodes = [1, 3]\n",
                   mesh::test::chain(),
                   {"link 1-3: missing: no route list or path read shows it"}},
        VerdictRow{"a_link_too_weak",
                   "[[expect.link]]\nnodes = [2, 3]\nmin_link_value = -59\n",
                   mesh::test::chain(),
                   {"link 2-3: -60, at least -59 wanted"}},
        VerdictRow{"a_link_value_no_path_gave",
                   "[[expect.link]]\nnodes = [2, 3]\nmin_link_value = -80\n",
                   {answered("COM200", 1, {{2, 2}}), answered("COM201", 2, {{3, 3}}),
                    answered("COM202", 3, {{2, 2}})},
                   {"link 2-3: its link value is unknown, at least -80 wanted: no path read "
                    "crosses it (send across it, then verify)"}},
        VerdictRow{"a_module_not_read",
                   "[expect]\nnodes = [3]\n",
                   {answered("COM200", 1, {{2, 2}}), answered("COM201", 2, {{1, 1}}),
                    failed("COM202", "cannot be opened")},
                   {"COM202 (node 3): not read: cannot be opened",
                    "node 3: heard by no module's route list"}}),
    mesh::test::rowName);

// What export writes describes the modules as they are: read back, it plans no change and
// finds no drift on the same modules, even where one module holds other settings than the rest.
TEST(MeshExport, ReadBackPlansNothingAndFindsNoDrift) {
    mesh::Survey survey = mesh::test::chain();
    std::get<mesh::ModuleAnswers>(survey[2].outcome).setup->powerCode = 3;
    const std::vector<meshplan::ModuleReach> reaches{{"COM200", ""}, {"", "A1B2"}, {"COM202", ""}};
    const std::string text = meshplan::exportMesh(survey, reaches);
    const meshplan::MeshFile file = meshplan::parseMeshFile("exported.toml", text);
    EXPECT_EQ(file.modules.at(1).reach.adapterSerial, "A1B2");
    EXPECT_EQ(file.heardNodes, (std::vector<std::uint16_t>{1, 2, 3}));
    ASSERT_EQ(file.links.size(), 2u) << text;
    const meshplan::Verdict verdict = meshplan::verifyMesh(file, survey);
    EXPECT_EQ(verdict.plan.differing(), 0u) << text;
    EXPECT_EQ(verdict.drifts(), std::vector<std::string>{}) << text;
    EXPECT_NE(text.find("power = 7\n"), std::string::npos) << text;  // most hold 7
    EXPECT_NE(text.find("# min_link_value = -40"), std::string::npos) << text;
}

TEST(MeshExport, RefusesModulesNoFileCanDescribe) {
    const std::vector<meshplan::ModuleReach> reaches{{"COM200", ""}, {"COM201", ""}};
    const mesh::Survey twice{answered("COM200", 4, {}), answered("COM201", 4, {})};
    EXPECT_THROW(meshplan::exportMesh(twice, reaches), meshplan::ExportRefusal);
    const mesh::Survey none{failed("COM200", "no reply"), failed("COM201", "no reply")};
    EXPECT_THROW(meshplan::exportMesh(none, reaches), meshplan::ExportRefusal);
}

}  // namespace
