#pragma once
// A mesh file's four verbs over real ports: plan (what applying it would change), apply (write
// the modules that differ, all at once, each read back and compared), verify (the plan and a
// survey: is the mesh as the file describes it) and export (the file that describes modules as
// they are). Failures leave as a Failure, as the commands' do.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MeshExport.h"
#include "MeshPlan.h"
#include "MeshVerdict.h"
#include "StationOptions.h"
#include "UnitRunner.h"

namespace meshsite {

// Each verb's modules are found by the names the file gives, resolved in the face's directory.
meshplan::MeshPlan planSite(const meshplan::MeshFile& file, const modlink::CommonOptions& link,
                            const ports::PortDirectory& directory);

meshplan::Verdict verifySite(const meshplan::MeshFile& file, const modlink::CommonOptions& link,
                             const ports::PortDirectory& directory);

struct AppliedModule {
    meshplan::ModulePlan plan;
    // For a module that differed: its write and read-back.
    std::optional<station::UnitOutcome> outcome;
};

struct SiteApplied {
    std::vector<AppliedModule> modules;  // in the file's order
    std::size_t written() const;         // passed their read-back
    std::size_t failed() const;
};

// Every module read, then those that differ written side by side as the station writes units,
// through options' record; output, when given, follows them, and planned is told the plan before
// the first write. Each module's outcome says how it ended, also after Ctrl+C (whether its write
// had gone out). A Failure with kExitRecord when the line's record could not be reached before
// the writes: nothing written.
SiteApplied applySite(const meshplan::MeshFile& file, const modlink::CommonOptions& common,
                      const ports::PortDirectory& directory, const station::StationOptions& options,
                      std::unique_ptr<station::UnitOutput> output,
                      const std::function<void(const meshplan::MeshPlan&)>& planned = {});

struct SiteExport {
    mesh::Survey survey;  // the ports as read; those that failed are left out of the text
    std::string text;
};

// An ExportRefusal when the modules cannot be described by a file that reads.
SiteExport exportSite(const std::vector<ports::PortTarget>& ports,
                      const modlink::CommonOptions& link);

}  // namespace meshsite
