#include "Survey.h"

namespace mesh {

std::optional<std::uint16_t> answeredNodeId(const ModuleAnswers& answers) {
    if (answers.setup) return answers.setup->nodeId;
    if (answers.routes) return answers.routes->localNode;
    if (answers.path) return answers.path->localNode;
    return std::nullopt;
}

std::vector<Module> modulesOf(const Survey& survey) {
    std::vector<Module> modules;
    for (std::size_t i = 0; i < survey.size(); ++i) {
        const auto* answers = std::get_if<ModuleAnswers>(&survey[i].outcome);
        if (!answers) continue;
        const auto id = answeredNodeId(*answers);
        if (id && *id != proto::kEmptyNode) modules.push_back({i, *id, answers});
    }
    return modules;
}

std::vector<proto::PathHop> hopsOf(const Module& module) {
    std::vector<proto::PathHop> hops;
    if (!module.answers->path) return hops;
    std::uint16_t before = module.id;
    for (const proto::PathHop& hop : module.answers->path->hops) {
        if (hop.node == proto::kEmptyNode || hop.node == before) continue;
        hops.push_back(hop);
        before = hop.node;
    }
    return hops;
}

std::string moduleName(const SurveyedPort& port) {
    const auto* answers = std::get_if<ModuleAnswers>(&port.outcome);
    const auto id = answers ? answeredNodeId(*answers) : std::nullopt;
    if (!id || *id == proto::kEmptyNode) return port.port;
    return port.port + " (node " + std::to_string(*id) + ")";
}

}  // namespace mesh
