#include "MeshPlan.h"

#include <algorithm>
#include <variant>

#include "Settings.h"
#include "UsbAdapters.h"

namespace meshplan {

namespace {

ModulePlan planModule(const FileModule& module, const mesh::SurveyedPort& reading) {
    ModulePlan plan{module, reading.port, std::nullopt};
    if (const auto* failure = std::get_if<mesh::PortFailure>(&reading.outcome)) {
        plan.failure = *failure;
        return plan;
    }
    const auto& answers = std::get<mesh::ModuleAnswers>(reading.outcome);
    if (!answers.setup) {
        plan.failure =
            mesh::PortFailure{mesh::PortFailureKind::NoReply, "no reply to the setup request"};
        return plan;
    }
    plan.current = *answers.setup;
    plan.wanted = *answers.setup;
    module.settings.applyTo(plan.wanted);
    plan.changes = modlink::differingSettings(plan.wanted, *plan.current);
    return plan;
}

}  // namespace

std::string ModulePlan::name() const {
    return port + " (node " + std::to_string(module.nodeId) + ")";
}

std::size_t MeshPlan::differing() const {
    return static_cast<std::size_t>(std::ranges::count_if(modules, &ModulePlan::differs));
}

std::size_t MeshPlan::unread() const {
    return static_cast<std::size_t>(
        std::ranges::count_if(modules, [](const ModulePlan& plan) { return !plan.current; }));
}

std::vector<FoundPort> findPorts(const MeshFile& file) {
    std::vector<FoundPort> found;
    for (const FileModule& module : file.modules) {
        if (module.reach.adapterSerial.empty()) {
            found.push_back({module.reach.port, {}});
            continue;
        }
        ports::SerialTty tty = ports::ttyOfSerial(module.reach.adapterSerial);
        if (tty.node)
            found.push_back({std::move(*tty.node), {}});
        else
            found.push_back({"adapter " + module.reach.adapterSerial, std::move(tty.problem)});
    }
    return found;
}

mesh::Survey readingsOf(const std::vector<FoundPort>& found, const mesh::Survey& survey) {
    mesh::Survey readings;
    for (const FoundPort& module : found) {
        const auto read = std::ranges::find(survey, module.port, &mesh::SurveyedPort::port);
        if (!module.missing.empty() || read == survey.end())
            readings.push_back(
                {module.port,
                 mesh::PortFailure{mesh::PortFailureKind::PortFailed,
                                   module.missing.empty() ? "not surveyed" : module.missing}});
        else
            readings.push_back(*read);
    }
    return readings;
}

MeshPlan planMesh(const MeshFile& file, const mesh::Survey& readings) {
    MeshPlan plan;
    for (std::size_t i = 0; i < file.modules.size() && i < readings.size(); ++i)
        plan.modules.push_back(planModule(file.modules[i], readings[i]));
    return plan;
}

std::string valueText(const proto::Setup& setup, std::string_view key) {
    const modlink::Json value = modlink::settingJson(setup, *proto::setupKeyNamed(key));
    if (value.is_null()) return "unknown";
    return value.is_string() ? value.get<std::string>() : value.dump();
}

namespace {

// "COM203 (node 4): power 7" + between + "5" for each key that differs.
std::vector<std::string> keyLines(const ModulePlan& module, std::string_view between) {
    std::vector<std::string> lines;
    for (const std::string& key : module.changes)
        lines.push_back(module.name() + ": " + key + " " + valueText(*module.current, key) +
                        std::string(between) + valueText(module.wanted, key));
    return lines;
}

}  // namespace

std::vector<std::string> changeLines(const ModulePlan& module) {
    return keyLines(module, " -> ");
}

std::vector<std::string> driftLines(const ModulePlan& module) {
    if (!module.current) return {unreadLine(module)};
    return keyLines(module, ", wanted ");
}

std::string unreadLine(const ModulePlan& module) {
    if (!module.failure) return {};
    return module.name() + ": not read: " + module.failure->reason;
}

}  // namespace meshplan
