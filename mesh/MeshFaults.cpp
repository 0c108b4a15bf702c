#include "MeshFaults.h"

#include <algorithm>
#include <array>

#include "FaultFinders.h"

namespace mesh {

namespace {

void addOnce(auto& list, const auto& value) {
    if (std::ranges::find(list, value) == list.end()) list.push_back(value);
}

std::string missingRequests(const ModuleAnswers& answers) {
    std::vector<std::string> missing;
    if (!answers.setup) missing.push_back("setup");
    if (!answers.routes) missing.push_back("route list");
    if (!answers.path) missing.push_back("path");
    if (missing.empty()) return {};
    return listed(missing) + (missing.size() == 1 ? " request" : " requests");
}

void findPortFaults(const Survey& survey, std::vector<Fault>& faults) {
    for (std::size_t i = 0; i < survey.size(); ++i) {
        Fault fault;
        if (const auto* failure = std::get_if<PortFailure>(&survey[i].outcome)) {
            fault = {FaultKind::PortFailed, survey[i].port + ": " + failure->reason};
        } else {
            const auto missing = missingRequests(std::get<ModuleAnswers>(survey[i].outcome));
            if (missing.empty()) continue;
            fault = {FaultKind::MissingReply,
                     moduleName(survey[i]) + " did not answer the " + missing};
        }
        involve(fault, survey, i);
        faults.push_back(std::move(fault));
    }
}

}  // namespace

std::string_view faultKindName(FaultKind kind) {
    static constexpr std::array kNames = {"duplicate_node_id",
                                          "no_node_id",
                                          "network_id_differs",
                                          "frequency_differs",
                                          "isolated",
                                          "unreachable",
                                          "reaches_none",
                                          "port_failed",
                                          "missing_reply",
                                          "life_cycle_differs",
                                          "route_through_unreachable",
                                          "one_way_route",
                                          "drifts_from_file"};
    static_assert(kNames.size() == static_cast<std::size_t>(FaultKind::DriftsFromFile) + 1);
    return kNames[static_cast<std::size_t>(kind)];
}

void involve(Fault& fault, const Survey& survey, std::size_t index) {
    addOnce(fault.ports, survey[index].port);
    const auto* answers = std::get_if<ModuleAnswers>(&survey[index].outcome);
    const auto id = answers ? answeredNodeId(*answers) : std::nullopt;
    if (id && *id != proto::kEmptyNode) addOnce(fault.nodes, *id);
}

void involveNode(Fault& fault, const Survey& survey, std::uint16_t node) {
    addOnce(fault.nodes, node);
    for (const Module& module : modulesOf(survey)) {
        if (module.id == node) addOnce(fault.ports, survey[module.index].port);
    }
}

std::string listed(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
        text += items[i];
    }
    return text;
}

std::vector<Fault> findFaults(const Survey& survey, const SharedSettings& expected) {
    std::vector<Fault> faults;
    findSettingFaults(survey, expected, faults);
    findReachFaults(survey, faults);
    findPortFaults(survey, faults);
    std::ranges::stable_sort(faults, {}, &Fault::kind);
    return faults;
}

}  // namespace mesh
