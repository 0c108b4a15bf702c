#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "StationLoop.h"

namespace {

// A station's view over time: what each scan finds, the ports it starts after each scan, and
// how each unit's work ends.
struct LoopCase {
    const char* tag;
    std::vector<std::vector<station::PluggedUnit>> scans;
    std::map<std::string, station::UnitResult> codes;  // by port; finished with 0 where not named
    std::vector<std::vector<std::string>> startedPerScan;
    int result = 0;
};

const station::PluggedUnit kA{"COM1", "/dev/pts/1"};
const station::PluggedUnit kAOnANewTerminal{"COM1", "/dev/pts/7"};
const station::PluggedUnit kB{"COM2", "/dev/pts/2"};

class StationLoopRun : public testing::TestWithParam<LoopCase> {};

TEST_P(StationLoopRun, TakesEachPluggingOnce) {
    const LoopCase& test = GetParam();
    std::mutex mutex;
    std::vector<std::string> started;
    std::vector<std::vector<std::string>> startedPerScan;
    std::atomic<std::size_t> ended = 0;
    std::size_t scan = 0;
    std::size_t expected = 0;
    station::StationHooks hooks;
    hooks.scan = [&] { return test.scans[scan++]; };
    hooks.work = [&](const station::PluggedUnit& unit) {
        {
            const std::lock_guard lock(mutex);
            started.push_back(unit.port);
        }
        const auto code = test.codes.find(unit.port);
        return code == test.codes.end() ? station::UnitResult{} : code->second;
    };
    hooks.unitEnded = [&] { ++ended; };
    hooks.stopRequested = [&] { return scan == test.scans.size(); };
    // The units a scan started end before the next scan, so events come in the table's order.
    hooks.waitForChange = [&] {
        expected += test.startedPerScan[scan - 1].size();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (ended < expected && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        const std::lock_guard lock(mutex);
        startedPerScan.push_back(started);
        started.clear();
    };
    EXPECT_EQ(station::runStation(hooks), test.result);
    EXPECT_EQ(startedPerScan, test.startedPerScan);
}

INSTANTIATE_TEST_SUITE_P(
    Shifts, StationLoopRun,
    testing::Values(
        LoopCase{"oncePerPlugging", {{kA}, {kA}, {kA}}, {}, {{"COM1"}, {}, {}}, 0},
        LoopCase{"pluggedAgainIsANewUnit", {{kA}, {}, {kA}}, {}, {{"COM1"}, {}, {"COM1"}}, 0},
        LoopCase{
            "newTerminalBehindTheAlias", {{kA}, {kAOnANewTerminal}}, {}, {{"COM1"}, {"COM1"}}, 0},
        LoopCase{"failedNotRetriedWhilePlugged",
                 {{kA}, {kA}, {kA}},
                 {{"COM1", {station::UnitEnd::kFinished, 4}}},
                 {{"COM1"}, {}, {}},
                 4},
        LoopCase{"failedRetriedOncePluggedAgain",
                 {{kA}, {}, {kA}},
                 {{"COM1", {station::UnitEnd::kFinished, 4}}},
                 {{"COM1"}, {}, {"COM1"}},
                 4},
        LoopCase{"heldBackTakenAgainWhilePlugged",
                 {{kA}, {kA}, {kA}},
                 {{"COM1", {station::UnitEnd::kHeldBack, 1}}},
                 {{"COM1"}, {"COM1"}, {"COM1"}},
                 0},
        LoopCase{"noIdLeftTakesNoMoreUnits",
                 {{kA}, {kA, kB}},
                 {{"COM1", {station::UnitEnd::kNoIdLeft, 5}}},
                 {{"COM1"}},
                 5}),
    [](const auto& info) { return std::string(info.param.tag); });

struct ModelCase {
    const char* text;
    std::optional<std::pair<std::string, std::string>> model;
};

class AdapterModelParse : public testing::TestWithParam<ModelCase> {};

TEST_P(AdapterModelParse, FourHexDigitsEachAsUdevSpellsThem) {
    const auto model = station::AdapterModel::parse(GetParam().text);
    ASSERT_EQ(model.has_value(), GetParam().model.has_value());
    if (model) {
        EXPECT_EQ(model->vendorId, GetParam().model->first);
        EXPECT_EQ(model->productId, GetParam().model->second);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, AdapterModelParse,
                         testing::Values(ModelCase{"10c4:ea60", std::pair{"10c4", "ea60"}},
                                         ModelCase{"10C4:EA60", std::pair{"10c4", "ea60"}},
                                         ModelCase{"10c4ea60", {}}, ModelCase{"10c4:ea6", {}},
                                         ModelCase{"10c4:ea600", {}}, ModelCase{"0x10:ea60", {}},
                                         ModelCase{":", {}}, ModelCase{"", {}}));

}  // namespace
