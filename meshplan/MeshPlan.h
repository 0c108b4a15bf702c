#pragma once
// What applying a mesh file would change: each of its modules, the settings it holds beside those
// the file wants of it, from a reading of the modules' ports (one entry per module, in the file's
// order). A module that could not be read is planned as such; the others still are. Settings
// compare as scripts read them (Settings.h), as apply's read-back does, so that what the plan
// calls as wanted is what apply leaves.

#include <optional>
#include <string>
#include <vector>

#include "MeshFile.h"
#include "Survey.h"

namespace meshplan {

struct ModulePlan {
    FileModule module;
    std::string port;                     // as read: its name in the file, or its adapter's tty
    std::optional<proto::Setup> current;  // nothing when it was not read
    proto::Setup wanted{};                // current with the file's settings on top
    std::vector<std::string> changes{};   // the keys whose values differ, in the seven's order
    std::optional<mesh::PortFailure> failure{};  // why it was not read
    bool differs() const { return !changes.empty(); }
    // "COM203 (node 4)", by the node the file makes it.
    std::string name() const;
};

struct MeshPlan {
    std::vector<ModulePlan> modules;
    std::size_t differing() const;
    std::size_t unread() const;
};

// Where a module is now: its port, or the tty its adapter is plugged into; why not, when its
// adapter is not plugged, or not alone.
struct FoundPort {
    std::string port;  // "adapter A1B2" when missing
    std::string missing;
};
std::vector<FoundPort> findPorts(const MeshFile& file);

// One reading per module, in the file's order, from a survey of ports that holds the found
// ones; a module found nowhere, or whose port the survey left out, as a port that failed.
mesh::Survey readingsOf(const std::vector<FoundPort>& found, const mesh::Survey& survey);

MeshPlan planMesh(const MeshFile& file, const mesh::Survey& readings);

// "COM203 (node 4): power 7 -> 5", one line per setting to change.
std::vector<std::string> changeLines(const ModulePlan& module);
// "COM203 (node 4): power 7, wanted 5", one line per setting not as wanted; for a module not
// read, its unreadLine.
std::vector<std::string> driftLines(const ModulePlan& module);
// "COM204 (node 5): not read: no reply ..." for a module that was not read; empty for one that was.
std::string unreadLine(const ModulePlan& module);
// "7", "434.0", "1h", "unknown" for a code outside its list.
std::string valueText(const proto::Setup& setup, std::string_view key);

}  // namespace meshplan
