#pragma once
// One unit's apply: read the module, give it its node id, write the profile, read back and
// compare. `apply` runs it for one port as it always has, side by side for many ports, and the
// station for each module plugged in.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Failure.h"
#include "NodeIdSource.h"
#include "ProgressBoard.h"
#include "Session.h"
#include "Settings.h"
#include "UnitRow.h"
#include "UnitThreads.h"

namespace station {

struct UnitPlan {
    proto::SettingChanges settings;  // all seven
    NodeIdSource* ids = nullptr;     // none: the node id the settings give
    // A module keeps the id it holds when ids gave it to no other unit; otherwise it gets the next
    // of their range, or, with no range, the unit fails: a mesh cannot hold two nodes of one id.
    bool keepNodeId = false;
    bool idsFromRange = true;  // false: ids only tell which unit holds which id
    bool tellNotices = true;   // receive notices on standard error, as one port shows them
    // Asked once the module has been read, before its node id is taken or anything written:
    // false ends the unit with kExitRecord, nothing written.
    std::function<bool()> mayWrite;
};

// How a unit ended. Its row holds what was read back, the id the unit holds (it stays used once
// written), PASS or FAIL and why, and how long it took.
struct UnitOutcome {
    modlink::ExitCode code = modlink::kExitDone;
    UnitEnd end = UnitEnd::kFinished;
    std::string message;  // the failure as one port prints it on standard error
    record::UnitRow row;
    bool passed() const { return code == modlink::kExitDone; }
    // The unit's row could not be kept where it goes: the unit does not count as done.
    void rowLost();
};

// The module as one unit's apply reaches it. Its calls leave as a Failure (an Interrupted for
// Ctrl+C) as Session's do.
class UnitLink {
  public:
    virtual ~UnitLink() = default;
    virtual proto::Setup readSetup() = 0;
    virtual void writeSetup(const proto::Setup& setup) = 0;
    // The last request went out whole, whatever came after it.
    virtual bool requestWritten() const = 0;
    // A Failure naming the unit's port.
    virtual modlink::Failure failure(modlink::ExitCode code, const std::string& what) const = 0;
};
// Opens the unit's port: a Failure with kExitPort when it cannot be opened.
using UnitLinkOpener = std::function<std::unique_ptr<UnitLink>()>;

// The step a unit begins, with the node id it holds by then.
using UnitStepHandler = std::function<void(UnitStep, const std::optional<std::uint16_t>&)>;

// unit names the holder of a node id; row is the unit's row so far (where, with what), which the
// outcome's row completes. Never throws a Failure: its outcome says how it ended.
UnitOutcome applyToUnit(const UnitPlan& plan, const UnitName& unit, const UnitLinkOpener& open,
                        const UnitStepHandler& onStep, record::UnitRow row = {});
// The unit on the port its face resolved, through a Session with common's line and time-out.
UnitOutcome applyToUnit(const modlink::CommonOptions& common, const ports::PortTarget& port,
                        const UnitPlan& plan, const UnitName& unit, const UnitStepHandler& onStep,
                        record::UnitRow row = {});

}  // namespace station
