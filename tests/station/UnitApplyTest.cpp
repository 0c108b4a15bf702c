// One unit's apply against a module that fails at one step in one way: the row's why says where
// it stopped and whether the module may hold the profile, and a node id whose write never went
// out whole is free again for the next unit. Modules that keep their ids never share one.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "NodeIdPool.h"
#include "UnitApply.h"
#include "UnitRunner.h"

namespace {

enum class Step { kNone, kOpen, kRead, kWrite, kReadBack };
enum class Fault {
    kNone,
    kPortLost,                // the device went away
    kNoReply,                 // the module kept silent
    kInterrupted,             // Ctrl+C before the request went out
    kWrittenThenLost,         // the write went out whole, then the device went away
    kWrittenThenInterrupted,  // the write went out whole, then Ctrl+C
    kDiffers,                 // read back, the module holds another node id than the one written
};

constexpr std::uint16_t kModuleId = 3;
constexpr std::uint16_t kRangeId = 10;  // the range's only id

// The module behind the unit's port, failing as its case says.
class ScriptedLink final : public station::UnitLink {
  public:
    ScriptedLink(Step failAt, Fault fault, std::uint16_t held = kModuleId)
        : m_failAt(failAt), m_fault(fault) {
        m_held.nodeId = held;
    }

    proto::Setup readSetup() override {
        m_written = false;
        fail(m_reads++ == 0 ? Step::kRead : Step::kReadBack);
        return m_held;
    }
    void writeSetup(const proto::Setup& setup) override {
        m_written = m_failAt != Step::kWrite || m_fault == Fault::kWrittenThenLost ||
                    m_fault == Fault::kWrittenThenInterrupted;
        fail(Step::kWrite);
        if (m_fault != Fault::kDiffers) m_held = setup;
    }
    bool requestWritten() const override { return m_written; }
    modlink::Failure failure(modlink::ExitCode code, const std::string& what) const override {
        return modlink::Failure(code, "COM9: " + what);
    }

  private:
    void fail(Step step) const {
        if (step != m_failAt) return;
        switch (m_fault) {
            case Fault::kNone:
            case Fault::kDiffers:
                return;
            case Fault::kPortLost:
            case Fault::kWrittenThenLost:
                throw modlink::Failure(modlink::kExitPort, "COM9 lost: the device is gone");
            case Fault::kNoReply:
                throw failure(modlink::kExitNoReply, "no reply within 2000 ms");
            case Fault::kInterrupted:
            case Fault::kWrittenThenInterrupted:
                throw modlink::Interrupted(m_written);
        }
    }

    const Step m_failAt;
    const Fault m_fault;
    proto::Setup m_held;
    int m_reads = 0;
    bool m_written = false;
};

struct ApplyCase {
    const char* name;
    Step failAt;
    Fault fault;
    modlink::ExitCode code;
    const char* why;
    std::optional<std::uint16_t> nodeId;  // the id the unit holds at its end
    bool idFree;                          // the next unit may be given it
};

class UnitApplyFailure : public testing::TestWithParam<ApplyCase> {};

TEST_P(UnitApplyFailure, SaysWhyAndGivesBackAnIdNeverWritten) {
    const ApplyCase& row = GetParam();
    station::NodeIdPool ids({kRangeId, kRangeId});
    station::UnitPlan plan;
    plan.ids = &ids;
    const station::UnitLinkOpener open = [&]() -> std::unique_ptr<station::UnitLink> {
        if (row.failAt == Step::kOpen)
            throw modlink::Failure(modlink::kExitPort, "COM9: no such port");
        return std::make_unique<ScriptedLink>(row.failAt, row.fault);
    };
    const station::UnitOutcome outcome =
        station::applyToUnit(plan, {"unit", true}, open, [](auto, const auto&) {});

    EXPECT_EQ(outcome.code, row.code);
    EXPECT_EQ(outcome.row.why, row.why);
    EXPECT_EQ(outcome.row.nodeId, row.nodeId);
    EXPECT_EQ(outcome.end, station::UnitEnd::kFinished);
    EXPECT_EQ(ids.reserve("next") == kRangeId, row.idFree);
}

INSTANTIATE_TEST_SUITE_P(
    StepsAndFaults, UnitApplyFailure,
    testing::Values(
        ApplyCase{"Passes", Step::kNone, Fault::kNone, modlink::kExitDone, "", kRangeId, false},
        ApplyCase{"PortCannotOpen", Step::kOpen, Fault::kPortLost, modlink::kExitPort,
                  "COM9: no such port", std::nullopt, true},
        ApplyCase{"UnpluggedReading", Step::kRead, Fault::kPortLost, modlink::kExitPort,
                  "unplugged during read", std::nullopt, true},
        ApplyCase{"SilentModule", Step::kRead, Fault::kNoReply, modlink::kExitNoReply,
                  "COM9: no reply within 2000 ms", std::nullopt, true},
        ApplyCase{"InterruptedReading", Step::kRead, Fault::kInterrupted, modlink::kExitInterrupted,
                  "interrupted reading the module: nothing written", std::nullopt, true},
        ApplyCase{"UnpluggedBeforeTheWrite", Step::kWrite, Fault::kPortLost, modlink::kExitPort,
                  "unplugged during write", std::nullopt, true},
        ApplyCase{"InterruptedBeforeTheWrite", Step::kWrite, Fault::kInterrupted,
                  modlink::kExitInterrupted, "interrupted before the write: nothing written",
                  std::nullopt, true},
        ApplyCase{"UnpluggedAfterTheWrite", Step::kWrite, Fault::kWrittenThenLost,
                  modlink::kExitPort, "unplugged during write", kRangeId, false},
        ApplyCase{"InterruptedAfterTheWrite", Step::kWrite, Fault::kWrittenThenInterrupted,
                  modlink::kExitInterrupted,
                  "interrupted waiting for the write's acknowledgement: the write had gone out "
                  "whole",
                  kRangeId, false},
        ApplyCase{"UnpluggedReadingBack", Step::kReadBack, Fault::kPortLost, modlink::kExitPort,
                  "unplugged during read-back", kRangeId, false},
        ApplyCase{"InterruptedReadingBack", Step::kReadBack, Fault::kInterrupted,
                  modlink::kExitInterrupted,
                  "interrupted reading back: the write had gone out whole and was acknowledged",
                  kRangeId, false},
        ApplyCase{"ReadBackDiffers", Step::kReadBack, Fault::kDiffers, modlink::kExitRefused,
                  "COM9: verify failed: node_id wrote 10 read 3", kRangeId, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnitApplyIds, TheLastIdGoneEndsTheUnitUnwrittenAndTheShift) {
    station::NodeIdPool ids({kRangeId, kRangeId});
    ASSERT_EQ(ids.reserve("earlier"), kRangeId);
    station::UnitPlan plan;
    plan.ids = &ids;
    bool wrote = false;
    const station::UnitLinkOpener open = [&] {
        return std::make_unique<ScriptedLink>(Step::kNone, Fault::kNone);
    };
    const station::UnitOutcome outcome =
        station::applyToUnit(plan, {"unit", true}, open, [&](station::UnitStep step, const auto&) {
            wrote = wrote || step == station::UnitStep::kWriting;
        });
    EXPECT_EQ(outcome.code, modlink::kExitNoIdLeft);
    EXPECT_EQ(outcome.end, station::UnitEnd::kNoIdLeft);
    EXPECT_EQ(outcome.row.why, "no node id left: nothing written");
    EXPECT_FALSE(wrote);
}

// One module plugged in after another, each holding its node id.
struct PluggedModule {
    station::UnitName unit;
    std::uint16_t held;
    modlink::ExitCode code;
    std::optional<std::uint16_t> nodeId;  // the id it is given
};

struct KeptValueCase {
    const char* name;
    std::optional<station::NodeIdRange> range;  // --node-ids
    std::vector<PluggedModule> modules;
};

class KeptNodeIds : public testing::TestWithParam<KeptValueCase> {};

TEST_P(KeptNodeIds, NeverGivenTwice) {
    const KeptValueCase& row = GetParam();
    const modlink::CommonOptions common;
    station::StationOptions options;
    options.keepNodeId = true;
    options.nodeIds = row.range;
    const ports::PortDirectory directory;
    const station::UnitRunner runner(common, {}, options, directory, false, nullptr);
    for (const PluggedModule& module : row.modules) {
        const station::UnitLinkOpener open = [&] {
            return std::make_unique<ScriptedLink>(Step::kNone, Fault::kNone, module.held);
        };
        const station::UnitOutcome outcome =
            station::applyToUnit(runner.plan(), module.unit, open, [](auto, const auto&) {});
        EXPECT_EQ(outcome.code, module.code) << module.unit.text << ": " << outcome.row.why;
        EXPECT_EQ(outcome.row.nodeId, module.nodeId) << module.unit.text;
        if (module.code != modlink::kExitDone) {
            EXPECT_EQ(outcome.row.why, "node id " + std::to_string(module.held) +
                                           " is already taken by another unit: nothing written; "
                                           "give --node-ids FIRST..LAST");
        }
    }
}

const station::UnitName kPort{"COM150", false};
const station::UnitName kSerial{"A1B2C3", true};

INSTANTIATE_TEST_SUITE_P(
    Rows, KeptNodeIds,
    testing::Values(KeptValueCase{"FreshModulesOnOnePort",
                                  std::nullopt,
                                  {{kPort, 1, modlink::kExitDone, 1},
                                   {kPort, 1, modlink::kExitUsage, std::nullopt},
                                   {kPort, 1, modlink::kExitUsage, std::nullopt}}},
                    KeptValueCase{"FreshModulesOnSeveralPorts",
                                  std::nullopt,
                                  {{kPort, 1, modlink::kExitDone, 1},
                                   {{"COM151", false}, 1, modlink::kExitUsage, std::nullopt},
                                   {kSerial, 1, modlink::kExitUsage, std::nullopt}}},
                    KeptValueCase{"EachItsOwnId",
                                  std::nullopt,
                                  {{kPort, 1, modlink::kExitDone, 1},
                                   {kPort, 2, modlink::kExitDone, 2},
                                   {{"COM151", false}, 3, modlink::kExitDone, 3}}},
                    KeptValueCase{
                        "OneModulePluggedAgain",
                        std::nullopt,
                        {{kSerial, 7, modlink::kExitDone, 7}, {kSerial, 7, modlink::kExitDone, 7}}},
                    KeptValueCase{"TakenIdReplacedFromTheRange",
                                  station::NodeIdRange{10, 20},
                                  {{kPort, 10, modlink::kExitDone, 10},
                                   {kPort, 10, modlink::kExitDone, 11},
                                   {kPort, 1, modlink::kExitDone, 12}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
