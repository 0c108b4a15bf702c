#include "UnitRunner.h"

#include <iostream>
#include <system_error>

#include "NodeIdFile.h"
#include "NodeIdPool.h"

namespace station {

namespace {

// Without a range, the ids that modules keep, so that two units never keep one.
constexpr NodeIdRange kEveryNodeId{0, 0xFFFF};

std::unique_ptr<NodeIdSource> nodeIdSource(const StationOptions& options) {
    if (!options.nodeIds)
        return options.keepNodeId ? std::make_unique<NodeIdPool>(kEveryNodeId) : nullptr;
    if (options.idFile.empty()) return std::make_unique<NodeIdPool>(*options.nodeIds);
    try {
        return std::make_unique<NodeIdFile>(options.idFile, *options.nodeIds);
    } catch (const std::system_error& error) {
        throw modlink::Failure(modlink::kExitUsage, error.what());
    }
}

}  // namespace

UnitRunner::UnitRunner(const modlink::CommonOptions& common, const proto::SettingChanges& settings,
                       const StationOptions& options, const ports::PortDirectory& directory,
                       bool tellNotices, std::unique_ptr<UnitOutput> output)
    : m_common(common), m_options(options), m_directory(directory), m_output(std::move(output)) {
    if (!options.dbUrl.empty()) m_record = std::make_unique<UnitRecord>(options);
    if (!m_record || !m_record->ids()) m_ids = nodeIdSource(options);
    if (!options.reportPath.empty())
        m_rowSinks.push_back(std::make_unique<CsvReport>(options.reportPath));
    if (!options.junitFolder.empty())
        m_rowSinks.push_back(std::make_unique<JunitUnitFiles>(options.junitFolder));
    m_plan = {settings,           m_ids ? m_ids.get() : m_record ? m_record->ids() : nullptr,
              options.keepNodeId, options.nodeIds.has_value(),
              tellNotices,        {}};
}

UnitOutcome UnitRunner::run(const ports::PortTarget& port) {
    return runUnit(port, m_plan, m_options.profile, std::nullopt);
}

UnitOutcome UnitRunner::run(const ports::PortTarget& port, const UnitOrder& order) {
    UnitPlan plan = m_plan;
    plan.settings = order.settings;
    return runUnit(port, plan, order.profile, order.nodeId);
}

UnitOutcome UnitRunner::runUnit(const ports::PortTarget& port, const UnitPlan& plan,
                                const std::optional<record::Profile>& profile,
                                const std::optional<std::uint16_t>& nodeId) {
    const std::optional<ports::UsbIdentity> usb = ports::usbIdentity(port.device);
    const std::string serial = usb ? usb->serial : std::string();
    const UnitNames::Claim claim = m_names.claim(port.name, serial);
    const UnitName& name = claim.name();
    const std::string& unit = name.text;
    if (m_output) m_output->found(port, serial);
    record::UnitRow draft = unitDraft(port, usb, profile);
    draft.operatorName = m_options.operatorName;
    draft.nodeId = nodeId;
    if (m_record) m_record->begin(unit, draft);
    bool opened = false;
    UnitOutcome outcome = applyToUnit(
        m_common, port, plan, name,
        [&](UnitStep step, const std::optional<std::uint16_t>& nodeId) {
            if (step == UnitStep::kReading) {
                opened = true;
                unitOpened();
            }
            if (m_output) m_output->step(port, step, nodeId);
        },
        std::move(draft));
    // A port that never opened makes no more threads either.
    if (!opened) unitOpened();
    // Only the record's reservation fails this way, and it comes before the write.
    if (m_holdBack && outcome.code == modlink::kExitRecord) {
        m_record->drop(unit);
        if (m_output) m_output->heldBack(port, outcome.row.why);
        outcome.end = UnitEnd::kHeldBack;
        return outcome;
    }
    // apply's record was never reached: the unit ends unwritten, and leaves no row.
    if (!recordReached()) {
        m_record->drop(unit);
        if (m_output) m_output->finished(outcome);
        return outcome;
    }
    report(outcome);
    if (m_record) {
        const std::string spooled = m_record->store(unit, outcome);
        if (!spooled.empty()) note(port.name + ": " + spooled);
    }
    ++(outcome.passed() ? m_passed : m_failed);
    if (m_output) m_output->finished(outcome);
    return outcome;
}

UnitWork UnitRunner::work() {
    return [this](const PluggedUnit& unit) {
        const UnitOutcome outcome = run(m_directory.resolve(unit.port));
        return UnitResult{outcome.end, static_cast<int>(outcome.code)};
    };
}

bool UnitRunner::mayTake() {
    if (!m_record) return true;
    const bool ready = m_record->ready();
    if (ready != m_recordReady.exchange(ready))
        note(ready ? "The line's record is back: taking units again."
                   : "The line's record cannot be reached (" + m_record->downReason() +
                         "): no new unit until it is back.");
    return ready;
}

void UnitRunner::reachRecordAhead(std::size_t units) {
    if (!m_record) return;
    m_recordReached = std::make_unique<DeferredWork>(units, [this] { return m_record->ready(); });
    m_plan.mayWrite = [this] { return recordReached(); };
}

void UnitRunner::unitOpened() {
    if (m_recordReached) m_recordReached->allow();
}

void UnitRunner::refuseWithoutRecord() {
    if (!recordReached())
        throw modlink::Failure(modlink::kExitRecord, "the line's record cannot be reached (" +
                                                         m_record->downReason() +
                                                         "): nothing written");
}

void UnitRunner::note(const std::string& line) {
    if (m_output)
        m_output->note(line);
    else
        std::cerr << line << "\n";
}

std::string UnitRunner::shift() const {
    return "Shift: " + std::to_string(m_passed) + " passed, " + std::to_string(m_failed) +
           " failed";
}

bool UnitRunner::recordReached() const {
    return !m_recordReached || m_recordReached->answer();
}

void UnitRunner::report(UnitOutcome& outcome) {
    for (const std::unique_ptr<RowSink>& sink : m_rowSinks) {
        try {
            sink->add(outcome.row);
        } catch (const modlink::Failure& failure) {
            // The unit does not count as done while its row is missing, but what its module went
            // through still stands: it may have been written.
            const std::string lost =
                "its " + std::string(sink->rowName()) + " was not kept: " + failure.what();
            std::string& why = outcome.row.why;
            outcome.message = outcome.passed()
                                  ? outcome.row.port + ": set up and verified, but " + lost
                                  : outcome.message + "; " + lost;
            why = why.empty() ? lost : why + "; " + lost;
            outcome.rowLost();
        }
    }
}

}  // namespace station
