#include "UnitApply.h"

#include <algorithm>
#include <chrono>

#include "SetupExchange.h"

namespace station {

namespace {

// The last node id is gone: the unit ends, and so does a station's shift.
class NoNodeIdLeft : public modlink::Failure {
  public:
    NoNodeIdLeft() : modlink::Failure(modlink::kExitNoIdLeft, "no node id left: nothing written") {}
};

// Without a range, a module's id that another unit kept already cannot be kept again.
class NodeIdTaken : public modlink::Failure {
  public:
    explicit NodeIdTaken(std::uint16_t id)
        : modlink::Failure(modlink::kExitUsage,
                           "node id " + std::to_string(id) +
                               " is already taken by another unit: nothing written; give "
                               "--node-ids FIRST..LAST") {}
};

class SessionLink final : public UnitLink {
  public:
    SessionLink(const modlink::CommonOptions& common, const ports::PortTarget& port,
                bool tellNotices)
        : m_session(common, port) {
        if (!tellNotices) m_session.onNotice([](const proto::ReadFrame&) {});
    }
    proto::Setup readSetup() override { return modlink::readSetupValues(m_session); }
    void writeSetup(const proto::Setup& setup) override {
        modlink::writeSetupValues(m_session, setup);
    }
    bool requestWritten() const override { return m_session.requestWritten(); }
    modlink::Failure failure(modlink::ExitCode code, const std::string& what) const override {
        return m_session.failure(code, what);
    }

  private:
    modlink::Session m_session;
};

// The unit's id: the one its module holds when allowed and no other unit holds it, else the next
// of the range.
std::uint16_t nodeIdFor(const UnitPlan& plan, const proto::Setup& module, const UnitName& unit) {
    if (plan.keepNodeId && (!plan.ids || plan.ids->keep(module.nodeId, unit))) return module.nodeId;
    if (!plan.idsFromRange) throw NodeIdTaken(module.nodeId);
    const auto id = plan.ids->reserve(unit.text);
    if (!id) throw NoNodeIdLeft();
    return *id;
}

// Where a run stopped, for its report row: whether the module holds the profile now.
struct Progress {
    std::string interruptedWhy = "interrupted reading the module: nothing written";
    std::string stage = "read";  // "unplugged during ..."
    bool opened = false;
};

}  // namespace

void UnitOutcome::rowLost() {
    code = std::max(code, modlink::kExitRecord);
    row.result = record::Result::kFail;
}

UnitOutcome applyToUnit(const modlink::CommonOptions& common, const ports::PortTarget& port,
                        const UnitPlan& plan, const UnitName& unit, const UnitStepHandler& onStep,
                        record::UnitRow row) {
    const UnitLinkOpener open = [&] {
        return std::make_unique<SessionLink>(common, port, plan.tellNotices);
    };
    return applyToUnit(plan, unit, open, onStep, std::move(row));
}

UnitOutcome applyToUnit(const UnitPlan& plan, const UnitName& unit, const UnitLinkOpener& open,
                        const UnitStepHandler& onStep, record::UnitRow draft) {
    const auto started = std::chrono::steady_clock::now();
    UnitOutcome outcome;
    outcome.row = std::move(draft);
    record::UnitRow& row = outcome.row;
    Progress progress;
    bool idHeldUnwritten = false;  // an id reserved or kept that no write carried yet
    try {
        onStep(UnitStep::kOpening, row.nodeId);
        const std::unique_ptr<UnitLink> link = open();
        progress.opened = true;
        onStep(UnitStep::kReading, row.nodeId);
        // What the module holds is read first, so that a module that does not answer is never
        // written to.
        const proto::Setup module = link->readSetup();
        if (plan.mayWrite && !plan.mayWrite())
            throw modlink::Failure(modlink::kExitRecord,
                                   "the line's record cannot be reached: nothing written");
        proto::Setup written = module;
        plan.settings.applyTo(written);
        if (plan.ids || plan.keepNodeId) {
            row.nodeId = nodeIdFor(plan, module, unit);
            idHeldUnwritten = plan.ids != nullptr;
            written.nodeId = *row.nodeId;
        }
        progress.interruptedWhy = "interrupted before the write: nothing written";
        progress.stage = "write";
        onStep(UnitStep::kWriting, row.nodeId);
        try {
            link->writeSetup(written);
        } catch (const modlink::Failure&) {
            if (link->requestWritten()) {
                idHeldUnwritten = false;
                progress.interruptedWhy =
                    "interrupted waiting for the write's acknowledgement: the write had gone out "
                    "whole";
            }
            throw;
        }
        idHeldUnwritten = false;
        progress.interruptedWhy =
            "interrupted reading back: the write had gone out whole and was acknowledged";
        progress.stage = "read-back";
        onStep(UnitStep::kReadingBack, row.nodeId);
        row.readBack = link->readSetup();
        const std::string differs = modlink::mismatch(written, *row.readBack);
        if (!differs.empty())
            throw link->failure(modlink::kExitRefused, "verify failed: " + differs);
    } catch (const modlink::Interrupted& stop) {
        outcome.code = stop.code();
        outcome.message = stop.what();
        row.why = progress.interruptedWhy;
    } catch (const NoNodeIdLeft& none) {
        outcome.end = UnitEnd::kNoIdLeft;
        outcome.code = none.code();
        outcome.message = row.why = none.what();
    } catch (const modlink::Failure& failure) {
        outcome.code = failure.code();
        outcome.message = failure.what();
        // An open port that fails is a device gone: the row says what it was doing.
        row.why = failure.code() == modlink::kExitPort && progress.opened
                      ? "unplugged during " + progress.stage
                      : failure.what();
    } catch (const std::exception& error) {  // the id file could not be read or written
        outcome.code = modlink::kExitUsage;
        outcome.message = row.why = error.what();
    }
    if (idHeldUnwritten) {
        try {
            plan.ids->giveBack(*row.nodeId, unit.text);
            row.nodeId.reset();
        } catch (const std::exception& error) {
            row.why += "; the id stays taken: " + std::string(error.what());
        }
    }
    if (row.readBack) row.networkId = row.readBack->networkId;
    row.result = outcome.passed() ? record::Result::kPass : record::Result::kFail;
    row.durationMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - started)
                         .count();
    return outcome;
}

}  // namespace station
