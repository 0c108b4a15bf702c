#include "SiteVerbs.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>

#include "FileDigest.h"
#include "Interrupt.h"
#include "PortSurvey.h"
#include "SiteModules.h"

namespace meshsite {

namespace {

// A module's row names the file and the module's node, with the setup the file gave it there.
record::Profile moduleProfile(const meshplan::MeshFile& file, const meshplan::ModulePlan& module,
                              const std::string& digest) {
    return {std::filesystem::path(file.path).filename().string() + " node " +
                std::to_string(module.module.nodeId),
            digest, module.wanted};
}

}  // namespace

meshplan::MeshPlan planSite(const meshplan::MeshFile& file, const modlink::CommonOptions& link,
                            const ports::PortDirectory& directory) {
    return meshplan::planMesh(file, readModules(file, link, directory, survey::Asked::kSetup));
}

meshplan::Verdict verifySite(const meshplan::MeshFile& file, const modlink::CommonOptions& link,
                             const ports::PortDirectory& directory) {
    return meshplan::verifyMesh(file,
                                readModules(file, link, directory, survey::Asked::kEverything));
}

std::size_t SiteApplied::written() const {
    return static_cast<std::size_t>(std::ranges::count_if(
        modules, [](const AppliedModule& m) { return m.outcome && m.outcome->passed(); }));
}

std::size_t SiteApplied::failed() const {
    return static_cast<std::size_t>(std::ranges::count_if(
        modules, [](const AppliedModule& m) { return m.outcome && !m.outcome->passed(); }));
}

SiteApplied applySite(const meshplan::MeshFile& file, const modlink::CommonOptions& common,
                      const ports::PortDirectory& directory, const station::StationOptions& options,
                      std::unique_ptr<station::UnitOutput> output,
                      const std::function<void(const meshplan::MeshPlan&)>& planned) {
    meshplan::MeshPlan plan;
    try {
        plan = planSite(file, common, directory);
    } catch (const modlink::Interrupted&) {
        // Ctrl+C while the modules are read comes before any write.
        throw modlink::Failure(modlink::kExitInterrupted,
                               "interrupted reading the modules: nothing written");
    }
    if (planned) planned(plan);
    SiteApplied applied;
    for (meshplan::ModulePlan& module : plan.modules)
        applied.modules.push_back({std::move(module), std::nullopt});
    const std::string digest = station::sha256Of(file.text);
    std::vector<station::PluggedUnit> units;
    std::map<std::string, std::size_t> moduleOn;  // port -> its module; each port is one module's
    std::map<std::string, station::UnitOrder> orders;
    for (std::size_t i = 0; i < applied.modules.size(); ++i) {
        const meshplan::ModulePlan& module = applied.modules[i].plan;
        if (!module.differs()) continue;
        units.push_back({module.port, module.port});
        moduleOn[module.port] = i;
        orders[module.port] = {module.module.settings, moduleProfile(file, module, digest),
                               module.module.nodeId};
    }
    if (units.empty()) return applied;
    station::UnitRunner runner(common, proto::SettingChanges(), options, directory, false,
                               std::move(output));
    runner.reachRecordAhead(units.size());
    std::mutex ended;
    station::runTogether(units, [&](const station::PluggedUnit& unit) {
        station::UnitOutcome outcome =
            runner.run(directory.resolve(unit.port), orders.at(unit.port));
        const station::UnitResult result{outcome.end, static_cast<int>(outcome.code)};
        const std::lock_guard lock(ended);
        applied.modules[moduleOn.at(unit.port)].outcome = std::move(outcome);
        return result;
    });
    runner.refuseWithoutRecord();
    return applied;
}

SiteExport exportSite(const std::vector<ports::PortTarget>& ports,
                      const modlink::CommonOptions& link) {
    SiteExport exported{survey::surveyPorts(ports, link), {}};
    if (modlink::interrupted()) throw modlink::Interrupted(true);
    exported.text = meshplan::exportMesh(exported.survey, reachesOf(ports));
    return exported;
}

}  // namespace meshsite
