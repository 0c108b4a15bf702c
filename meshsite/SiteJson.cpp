#include "SiteJson.h"

#include <algorithm>
#include <chrono>

#include "JunitXml.h"
#include "Report.h"
#include "Settings.h"
#include "UnitRowText.h"

namespace meshsite {

namespace {

modlink::ExitCode failureCode(const mesh::PortFailure& failure) {
    return failure.kind == mesh::PortFailureKind::NoReply ? modlink::kExitNoReply
                                                          : modlink::kExitPort;
}

modlink::ExitCode unreadCode(const meshplan::MeshPlan& plan) {
    modlink::ExitCode code = modlink::kExitDone;
    for (const meshplan::ModulePlan& module : plan.modules)
        if (module.failure) code = std::max(code, failureCode(*module.failure));
    return code;
}

modlink::Json settingOf(const proto::Setup& setup, const std::string& key) {
    return modlink::settingJson(setup, *proto::setupKeyNamed(key));
}

// What every document says of a module: where it is, which node the file makes it, what it
// holds beside what the file wants, or why it was not read.
modlink::Json moduleJson(const meshplan::ModulePlan& module, std::string_view state) {
    const meshplan::ModuleReach& reach = module.module.reach;
    modlink::Json json{
        {"port", module.port},
        {"adapter",
         reach.adapterSerial.empty() ? modlink::Json() : modlink::Json(reach.adapterSerial)},
        {"node_id", module.module.nodeId},
        {"line", module.module.line},
        {"state", state},
        {"changes", modlink::Json::array()}};
    for (const std::string& key : module.changes)
        json["changes"].push_back({{"key", key},
                                   {"current", settingOf(*module.current, key)},
                                   {"wanted", settingOf(module.wanted, key)}});
    if (module.failure) {
        json["why"] = module.failure->reason;
        json["exit_code"] = static_cast<int>(failureCode(*module.failure));
    }
    return json;
}

std::string_view planState(const meshplan::ModulePlan& module, std::string_view differs) {
    if (!module.current) return "not read";
    return module.differs() ? differs : "as wanted";
}

modlink::Json countsOf(const meshplan::MeshPlan& plan) {
    return {{"differing", plan.differing()},
            {"as_wanted", plan.modules.size() - plan.differing() - plan.unread()},
            {"not_read", plan.unread()}};
}

modlink::Json linkValueJson(const std::optional<int>& value) {
    return value ? modlink::Json(*value) : modlink::Json();
}

}  // namespace

modlink::Json planJson(const meshplan::MeshPlan& plan) {
    modlink::Json modules = modlink::Json::array();
    for (const meshplan::ModulePlan& module : plan.modules)
        modules.push_back(moduleJson(module, planState(module, "differs")));
    modlink::Json json{{"modules", std::move(modules)}};
    json.update(countsOf(plan));
    return json;
}

modlink::Json appliedJson(const SiteApplied& applied) {
    modlink::Json modules = modlink::Json::array();
    meshplan::MeshPlan plan;
    for (const AppliedModule& module : applied.modules) {
        plan.modules.push_back(module.plan);
        if (!module.outcome) {
            modules.push_back(moduleJson(module.plan, planState(module.plan, "differs")));
            continue;
        }
        const station::UnitOutcome& outcome = *module.outcome;
        modlink::Json json = moduleJson(module.plan, outcome.passed() ? "written" : "failed");
        json["result"] = record::resultName(outcome.row.result);
        json["settings"] =
            outcome.row.readBack ? modlink::settingsJson(*outcome.row.readBack) : modlink::Json();
        json["ms"] = outcome.row.durationMs;
        if (!outcome.passed()) {
            json["why"] = outcome.row.why;
            json["exit_code"] = static_cast<int>(outcome.code);
        }
        modules.push_back(std::move(json));
    }
    modlink::Json json{{"modules", std::move(modules)}};
    json.update(countsOf(plan));
    json["written"] = applied.written();
    json["failed"] = applied.failed();
    return json;
}

modlink::Json verdictJson(const meshplan::Verdict& verdict) {
    modlink::Json modules = modlink::Json::array();
    for (const meshplan::ModulePlan& module : verdict.plan.modules)
        modules.push_back(moduleJson(module, planState(module, "drifted")));
    modlink::Json nodes = modlink::Json::array();
    for (const meshplan::NodeCheck& node : verdict.nodes)
        nodes.push_back({{"node_id", node.node}, {"heard", node.heard}});
    modlink::Json links = modlink::Json::array();
    for (const meshplan::LinkCheck& link : verdict.links)
        links.push_back({{"nodes", {link.link.a, link.link.b}},
                         {"present", link.present},
                         {"link_value", linkValueJson(link.value)},
                         {"min_link_value", linkValueJson(link.link.minLinkValue)},
                         {"passed", link.passed()}});
    return {{"modules", std::move(modules)},
            {"nodes", std::move(nodes)},
            {"links", std::move(links)},
            {"drifts", verdict.drifts()}};
}

modlink::ExitCode planExitCode(const meshplan::MeshPlan& plan) {
    const modlink::ExitCode unread = unreadCode(plan);
    if (unread != modlink::kExitDone) return unread;
    return plan.differing() > 0 ? modlink::kExitRefused : modlink::kExitDone;
}

modlink::ExitCode appliedExitCode(const SiteApplied& applied) {
    modlink::ExitCode code = modlink::kExitDone;
    for (const AppliedModule& module : applied.modules) {
        if (module.plan.failure) code = std::max(code, failureCode(*module.plan.failure));
        if (module.outcome) code = std::max(code, module.outcome->code);
    }
    return code;
}

modlink::ExitCode verdictExitCode(const meshplan::Verdict& verdict) {
    const modlink::ExitCode unread = unreadCode(verdict.plan);
    if (unread != modlink::kExitDone) return unread;
    return verdict.drifts().empty() ? modlink::kExitDone : modlink::kExitRefused;
}

modlink::ExitCode surveyExitCode(const mesh::Survey& survey) {
    modlink::ExitCode code = modlink::kExitDone;
    for (const mesh::SurveyedPort& port : survey)
        if (const auto* failure = std::get_if<mesh::PortFailure>(&port.outcome))
            code = std::max(code, failureCode(*failure));
    return code;
}

std::string verdictJunit(const meshplan::Verdict& verdict, const std::string& filePath) {
    station::JunitSuite suite{"mesh verify " + filePath,
                              record::UnitTime::now().text(),
                              station::stationName(),
                              {{"file", filePath}},
                              {}};
    for (const meshplan::ModulePlan& module : verdict.plan.modules)
        suite.cases.push_back({"module", module.name(), meshplan::driftLines(module)});
    for (const meshplan::NodeCheck& node : verdict.nodes) {
        const auto module = std::ranges::find_if(
            verdict.plan.modules, [&](const auto& m) { return m.module.nodeId == node.node; });
        std::vector<std::string> drift;
        if (!node.heard) drift.push_back(node.drift());
        if (module != verdict.plan.modules.end())
            for (std::string& line : drift)
                suite.cases[static_cast<std::size_t>(module - verdict.plan.modules.begin())]
                    .failures.push_back(std::move(line));
        else
            suite.cases.push_back({"node", "node " + std::to_string(node.node), std::move(drift)});
    }
    for (const meshplan::LinkCheck& link : verdict.links) {
        std::vector<std::string> drift;
        if (!link.passed()) drift.push_back(link.drift());
        suite.cases.push_back({"link", link.name(), std::move(drift)});
    }
    return station::junitXml(suite);
}

}  // namespace meshsite
