#pragma once
// One unit's apply: read the module, give it its node id, write the profile, read back and
// compare. `apply` runs it for one port as it always has, side by side for many ports, and the
// station for each module plugged in.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Failure.h"
#include "NodeIdSource.h"
#include "ProgressBoard.h"
#include "Session.h"
#include "Settings.h"

struct UnitPlan {
    SettingChanges settings;      // all seven
    NodeIdSource* ids = nullptr;  // none: the node id the settings give
    // A module keeps the id it holds: with ids, only an id of their range that is free.
    bool keepNodeId = false;
    bool tellNotices = true;  // receive notices on standard error, as one port shows them
    // Asked once the module has been read, before its node id is taken or anything written:
    // false ends the unit with kExitRecord, nothing written.
    std::function<bool()> mayWrite;
};

struct UnitOutcome {
    ExitCode code = kExitDone;
    std::string message;  // the failure as one port prints it on standard error
    std::string why;      // the report's why; empty for a pass
    std::optional<proto::Setup> readBack;
    std::optional<std::uint16_t> nodeId;  // the id the unit holds; it stays used once written
    std::chrono::milliseconds duration{};
    bool heldBack = false;  // a station takes the unit again: its record was out of reach
    bool passed() const { return code == kExitDone; }
};

// The step a unit begins, with the node id it holds by then.
using UnitStepHandler = std::function<void(UnitStep, const std::optional<std::uint16_t>&)>;

// unit names the holder of a node id. Never throws a Failure: its outcome says how it ended.
UnitOutcome applyToUnit(const CommonOptions& common, const UnitPlan& plan, const UnitName& unit,
                        const UnitStepHandler& onStep);
