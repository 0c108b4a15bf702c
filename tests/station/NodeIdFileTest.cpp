#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "NodeIdFile.h"
#include "NodeIdPool.h"
#include "ScopedRuntimeDir.h"

namespace {

struct RangeCase {
    const char* text;
    std::optional<std::pair<int, int>> range;
};

class NodeIdRangeParse : public testing::TestWithParam<RangeCase> {};

TEST_P(NodeIdRangeParse, PlainDecimalEndsInOrder) {
    const auto parsed = station::NodeIdRange::parse(GetParam().text);
    ASSERT_EQ(parsed.has_value(), GetParam().range.has_value());
    if (parsed) {
        EXPECT_EQ(parsed->first, GetParam().range->first);
        EXPECT_EQ(parsed->last, GetParam().range->second);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NodeIdRangeParse,
    testing::Values(RangeCase{"301..400", std::pair{301, 400}}, RangeCase{"7..7", std::pair{7, 7}},
                    RangeCase{"0042..0050", std::pair{42, 50}},
                    RangeCase{"0..65534", std::pair{0, 65534}}, RangeCase{"0..65535", {}},
                    RangeCase{"65535..65535", {}}, RangeCase{"400..301", {}},
                    RangeCase{"1..65536", {}}, RangeCase{"-1..5", {}}, RangeCase{"+1..5", {}},
                    RangeCase{"0x10..0x20", {}}, RangeCase{"1...5", {}}, RangeCase{"1-5", {}},
                    RangeCase{"..5", {}}, RangeCase{"1 ..5", {}}));

// One step of a station's life: what it asks of the file and what the file must answer.
struct Step {
    enum Kind { Reserve, Keep, GiveBack } kind;
    const char* unit;
    int id;       // the id to keep or give back; for Reserve the id expected, -1 for none
    bool kept{};  // for Keep
    // For Keep: the unit is named by its port, which takes module after module, rather than by
    // its adapter's serial, which names its module.
    bool byPort{};
};

struct LifeCase {
    const char* tag;
    std::string before;  // the file as an earlier run left it
    std::vector<Step> steps;
};

class NodeIdFileLife : public testing::TestWithParam<LifeCase> {};

void runSteps(station::NodeIdSource& ids, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        SCOPED_TRACE(step.unit);
        switch (step.kind) {
            case Step::Reserve: {
                const auto id = ids.reserve(step.unit);
                EXPECT_EQ(id ? *id : -1, step.id);
                break;
            }
            case Step::Keep:
                EXPECT_EQ(ids.keep(static_cast<std::uint16_t>(step.id), {step.unit, !step.byPort}),
                          step.kept);
                break;
            case Step::GiveBack:
                ids.giveBack(static_cast<std::uint16_t>(step.id), step.unit);
                break;
        }
    }
}

TEST_P(NodeIdFileLife, NeverGivesAnIdTwice) {
    ScopedRuntimeDir dir;
    const auto path = std::filesystem::path(dir.path()) / "ids";
    if (!GetParam().before.empty()) std::ofstream(path) << GetParam().before;
    station::NodeIdFile file(path, {10, 12});
    runSteps(file, GetParam().steps);
    // A second station on the same file sees exactly what the first wrote.
    EXPECT_EQ(station::NodeIdFile(path, {10, 12}).holders(), file.holders());
}

// Without a file, one process's units follow the same rules.
TEST_P(NodeIdFileLife, PoolOfOneProcessFollowsTheSameRules) {
    if (!GetParam().before.empty()) GTEST_SKIP() << "a pool starts empty";
    station::NodeIdPool pool({10, 12});
    runSteps(pool, GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, NodeIdFileLife,
    testing::Values(
        LifeCase{"lowestFreeFirstThenRunsOut",
                 "",
                 {{Step::Reserve, "A", 10},
                  {Step::Reserve, "B", 11},
                  {Step::Reserve, "C", 12},
                  {Step::Reserve, "D", -1}}},
        LifeCase{"givenBackIsFreeAgain",
                 "",
                 {{Step::Reserve, "A", 10},
                  {Step::Reserve, "B", 11},
                  {Step::GiveBack, "A", 10},
                  {Step::Reserve, "C", 10}}},
        LifeCase{"onlyItsHolderGivesAnIdBack",
                 "",
                 {{Step::Reserve, "A", 10}, {Step::GiveBack, "B", 10}, {Step::Reserve, "C", 11}}},
        LifeCase{"earlierRunsIdsStayUsed",
                 "10\tA\n12\tB\n",
                 {{Step::Reserve, "C", 11}, {Step::Reserve, "D", -1}}},
        LifeCase{"lineCutByACrashHoldsNothing",
                 "10\tA\n1",
                 {{Step::Reserve, "B", 11}, {Step::Reserve, "C", 12}}},
        LifeCase{"keepOwnOrFreeIdNotAnothers",
                 "11\tB\n",
                 {{Step::Keep, "A", 10, true},
                  {Step::Keep, "A", 10, true},
                  {Step::Keep, "A", 11, false},
                  {Step::Keep, "A", 13, false},
                  {Step::Reserve, "C", 12}}},
        // Fresh modules all holding id 10, plugged one after another into one port.
        LifeCase{"modulesOfOnePortKeepAnIdOnlyWhileNoneHoldsIt",
                 "",
                 {{Step::Keep, "COM200", 10, true, true},
                  {Step::Keep, "COM200", 10, false, true},
                  {Step::Reserve, "COM200", 11},
                  {Step::Keep, "COM200", 10, false, true},
                  {Step::Reserve, "COM200", 12}}},
        LifeCase{"anEarlierRunsIdOfAPortIsNotKept",
                 "10\tCOM200\n",
                 {{Step::Keep, "COM200", 10, false, true}, {Step::Keep, "COM200", 11, true, true}}},
        LifeCase{"anAdaptersSerialKeepsItsModulesId",
                 "10\tA1B2\n",
                 {{Step::Keep, "A1B2", 10, true}, {Step::Keep, "C3D4", 10, false}}}),
    [](const auto& info) { return std::string(info.param.tag); });

// Links in the id file's folder: one planted beside it is never followed, and one naming the
// file itself leads every station to the same file and lock.
TEST(NodeIdFileLinks, GivingAnIdBackFollowsNoPlantedLink) {
    ScopedRuntimeDir dir;
    const auto folder = std::filesystem::path(dir.path());
    { std::ofstream(folder / "victim") << "kept\n"; }
    std::filesystem::create_symlink(folder / "victim", folder / "ids.new");
    station::NodeIdFile file(folder / "ids", {10, 12});
    ASSERT_EQ(file.reserve("A"), 10);
    ASSERT_EQ(file.reserve("B"), 11);
    file.giveBack(10, "A");
    std::ifstream victim(folder / "victim");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "kept\n");
    EXPECT_EQ(file.holders(), (std::map<std::uint16_t, std::string>{{11, "B"}}));
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"ids", "ids.lock", "ids.new", "victim"}));
}

TEST(NodeIdFileLinks, ALinkedIdFileStaysALinkSharingOneLock) {
    ScopedRuntimeDir dir;
    const auto folder = std::filesystem::path(dir.path());
    std::filesystem::create_directory(folder / "shared");
    std::filesystem::create_symlink(folder / "shared" / "ids", folder / "ids");
    station::NodeIdFile byLink(folder / "ids", {10, 12});
    station::NodeIdFile byFile(folder / "shared" / "ids", {10, 12});
    ASSERT_EQ(byLink.reserve("A"), 10);
    ASSERT_EQ(byFile.reserve("B"), 11);
    byLink.giveBack(10, "A");
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "ids"));
    EXPECT_FALSE(std::filesystem::exists(folder / "ids.lock"));
    EXPECT_EQ(byFile.holders(), (std::map<std::uint16_t, std::string>{{11, "B"}}));
}

TEST(NodeIdFileProcesses, TwoStationsOnOneFileGiveDifferentIds) {
    ScopedRuntimeDir dir;
    const auto path = std::filesystem::path(dir.path()) / "ids";
    constexpr int kPerStation = 100;
    pid_t children[2];
    for (pid_t& child : children) {
        child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            station::NodeIdFile file(path, {1000, 1199});
            const std::string unit = "station-" + std::to_string(getpid());
            for (int i = 0; i < kPerStation; ++i)
                if (!file.reserve(unit + "-" + std::to_string(i))) _exit(1);
            _exit(0);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto held = station::NodeIdFile(path, {1000, 1199}).holders();
    std::set<std::string> units;
    for (const auto& [id, unit] : held) units.insert(unit);
    EXPECT_EQ(held.size(), 2u * kPerStation);
    EXPECT_EQ(units.size(), 2u * kPerStation);
}

}  // namespace
