#include "SiteJson.h"

#include <algorithm>
#include <chrono>

#include "JunitXml.h"
#include "Report.h"
#include "Settings.h"
#include "UnitRowText.h"

namespace meshsite {

namespace {

ExitCode failureCode(const mesh::PortFailure& failure) {
    return failure.kind == mesh::PortFailureKind::NoReply ? kExitNoReply : kExitPort;
}

ExitCode unreadCode(const meshplan::MeshPlan& plan) {
    ExitCode code = kExitDone;
    for (const meshplan::ModulePlan& module : plan.modules)
        if (module.failure) code = std::max(code, failureCode(*module.failure));
    return code;
}

Json settingOf(const proto::Setup& setup, const std::string& key) {
    return settingJson(setup, *proto::setupKeyNamed(key));
}

// What every document says of a module: where it is, which node the file makes it, what it
// holds beside what the file wants, or why it was not read.
Json moduleJson(const meshplan::ModulePlan& module, std::string_view state) {
    const meshplan::ModuleReach& reach = module.module.reach;
    Json json{{"port", module.port},
              {"adapter", reach.adapterSerial.empty() ? Json() : Json(reach.adapterSerial)},
              {"node_id", module.module.nodeId},
              {"line", module.module.line},
              {"state", state},
              {"changes", Json::array()}};
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

Json countsOf(const meshplan::MeshPlan& plan) {
    return {{"differing", plan.differing()},
            {"as_wanted", plan.modules.size() - plan.differing() - plan.unread()},
            {"not_read", plan.unread()}};
}

Json linkValueJson(const std::optional<int>& value) {
    return value ? Json(*value) : Json();
}

}  // namespace

Json planJson(const meshplan::MeshPlan& plan) {
    Json modules = Json::array();
    for (const meshplan::ModulePlan& module : plan.modules)
        modules.push_back(moduleJson(module, planState(module, "differs")));
    Json json{{"modules", std::move(modules)}};
    json.update(countsOf(plan));
    return json;
}

Json appliedJson(const SiteApplied& applied) {
    Json modules = Json::array();
    meshplan::MeshPlan plan;
    for (const AppliedModule& module : applied.modules) {
        plan.modules.push_back(module.plan);
        if (!module.outcome) {
            modules.push_back(moduleJson(module.plan, planState(module.plan, "differs")));
            continue;
        }
        const UnitOutcome& outcome = *module.outcome;
        Json json = moduleJson(module.plan, outcome.passed() ? "written" : "failed");
        json["result"] = record::resultName(outcome.row.result);
        json["settings"] = outcome.row.readBack ? settingsJson(*outcome.row.readBack) : Json();
        json["ms"] = outcome.row.durationMs;
        if (!outcome.passed()) {
            json["why"] = outcome.row.why;
            json["exit_code"] = static_cast<int>(outcome.code);
        }
        modules.push_back(std::move(json));
    }
    Json json{{"modules", std::move(modules)}};
    json.update(countsOf(plan));
    json["written"] = applied.written();
    json["failed"] = applied.failed();
    return json;
}

Json verdictJson(const meshplan::Verdict& verdict) {
    Json modules = Json::array();
    for (const meshplan::ModulePlan& module : verdict.plan.modules)
        modules.push_back(moduleJson(module, planState(module, "drifted")));
    Json nodes = Json::array();
    for (const meshplan::NodeCheck& node : verdict.nodes)
        nodes.push_back({{"node_id", node.node}, {"heard", node.heard}});
    Json links = Json::array();
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

ExitCode planExitCode(const meshplan::MeshPlan& plan) {
    const ExitCode unread = unreadCode(plan);
    if (unread != kExitDone) return unread;
    return plan.differing() > 0 ? kExitRefused : kExitDone;
}

ExitCode appliedExitCode(const SiteApplied& applied) {
    ExitCode code = kExitDone;
    for (const AppliedModule& module : applied.modules) {
        if (module.plan.failure) code = std::max(code, failureCode(*module.plan.failure));
        if (module.outcome) code = std::max(code, module.outcome->code);
    }
    return code;
}

ExitCode verdictExitCode(const meshplan::Verdict& verdict) {
    const ExitCode unread = unreadCode(verdict.plan);
    if (unread != kExitDone) return unread;
    return verdict.drifts().empty() ? kExitDone : kExitRefused;
}

ExitCode surveyExitCode(const mesh::Survey& survey) {
    ExitCode code = kExitDone;
    for (const mesh::SurveyedPort& port : survey)
        if (const auto* failure = std::get_if<mesh::PortFailure>(&port.outcome))
            code = std::max(code, failureCode(*failure));
    return code;
}

std::string verdictJunit(const meshplan::Verdict& verdict, const std::string& filePath) {
    JunitSuite suite{"mesh verify " + filePath,
                     record::UnitTime::now().text(),
                     stationName(),
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
    return junitXml(suite);
}

}  // namespace meshsite
