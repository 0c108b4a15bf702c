#pragma once
// The work of one unit wherever it came from (a port named for apply, a module plugged in at a
// station): identified, applied, its report row and its record row kept, its events told.

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "DeferredWork.h"
#include "Report.h"
#include "StationOptions.h"
#include "UnitApply.h"
#include "UnitNames.h"
#include "UnitRecord.h"
#include "UnitThreads.h"
#include "UsbAdapters.h"

namespace station {

// What a person or a line-control program sees of the units; called from their threads.
class UnitOutput {
  public:
    virtual ~UnitOutput() = default;
    virtual void found(const ports::PortTarget& port, const std::string& serial) = 0;
    virtual void step(const ports::PortTarget& port, UnitStep step,
                      const std::optional<std::uint16_t>& nodeId) = 0;
    virtual void finished(const UnitOutcome& outcome) = 0;
    // The unit could not start, nothing written: it is taken again once it may.
    virtual void heldBack(const ports::PortTarget& port, const std::string& why) = 0;
    virtual void note(const std::string& line) = 0;
};

// What one unit is given where units differ, as a mesh file's modules do: its own settings on top
// of what its module holds, and the profile its row names.
struct UnitOrder {
    proto::SettingChanges settings;
    std::optional<record::Profile> profile;
    std::optional<std::uint16_t> nodeId;  // the one settings give, for its row
};

class UnitRunner {
  public:
    // A Failure with kExitUsage when the id file, the record or the report cannot be used.
    // directory is the face's, kept for the runner's life: the ports of the units the threads
    // take are resolved in it.
    UnitRunner(const modlink::CommonOptions& common, const proto::SettingChanges& settings,
               const StationOptions& options, const ports::PortDirectory& directory,
               bool tellNotices, std::unique_ptr<UnitOutput> output);

    // The unit on the port the face resolved: the port its row names is the one opened.
    UnitOutcome run(const ports::PortTarget& port);
    // A unit given its own order instead of every unit's plan and profile.
    UnitOutcome run(const ports::PortTarget& port, const UnitOrder& order);
    // What every unit is applied with.
    const UnitPlan& plan() const { return m_plan; }
    // run as the units' threads take it, each unit's port resolved once in the face's directory.
    UnitWork work();

    // Whether a new unit may start: the line's record, when one is kept, must take its row.
    // Says so on one line whenever that changes.
    bool mayTake();

    // apply: the record is reached on a thread of its own while the units read their modules,
    // begun once each of the gang's units has its port open or as soon as one needs the record;
    // none takes a node id or writes before it has answered.
    void reachRecordAhead(std::size_t units);
    // Nothing was written: the record was out of reach when the units would have written.
    void refuseWithoutRecord();

    // One port alone prints as apply always has.
    void printAlone() { m_output.reset(); }
    // A station takes a unit again that found the record out of reach; apply ends it.
    void holdBackWhileRecordDown() { m_holdBack = m_record != nullptr; }
    UnitOutput& output() { return *m_output; }
    void note(const std::string& line);
    std::string shift() const;

  private:
    bool recordReached() const;
    // The unit is past its port's opening, as reachRecordAhead counts.
    void unitOpened();
    UnitOutcome runUnit(const ports::PortTarget& port, const UnitPlan& plan,
                        const std::optional<record::Profile>& profile,
                        const std::optional<std::uint16_t>& nodeId);
    void report(UnitOutcome& outcome);

    const modlink::CommonOptions& m_common;
    const StationOptions& m_options;
    const ports::PortDirectory& m_directory;
    std::unique_ptr<UnitRecord> m_record;
    std::unique_ptr<NodeIdSource> m_ids;
    std::vector<std::unique_ptr<RowSink>> m_rowSinks;  // the CSV report, the JUnit files
    std::unique_ptr<UnitOutput> m_output;
    UnitPlan m_plan;
    UnitNames m_names;
    bool m_holdBack = false;
    std::atomic<int> m_passed = 0;
    std::atomic<int> m_failed = 0;
    std::atomic<bool> m_recordReady = true;
    std::unique_ptr<DeferredWork> m_recordReached;
};

}  // namespace station
