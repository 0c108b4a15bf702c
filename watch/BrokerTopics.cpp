#include "BrokerTopics.h"

namespace watch {

namespace {

std::string siteTopic(const std::string& site) {
    return "meshcfg/" + site + "/";
}

std::optional<std::uint16_t> moduleNetwork(const mesh::Mesh& mesh, std::uint16_t node) {
    const mesh::MeshNode* found = mesh.graph.node(node);
    if (!found || found->modules.empty()) return std::nullopt;
    const auto* answers =
        std::get_if<mesh::ModuleAnswers>(&mesh.survey[found->modules.front()].outcome);
    if (!answers || !answers->setup) return std::nullopt;
    return answers->setup->networkId;
}

}  // namespace

std::string nodeStateTopic(const std::string& site, std::uint16_t network, std::uint16_t node) {
    return siteTopic(site) + "node/" + std::to_string(network) + "/" + std::to_string(node) +
           "/state";
}

std::string eventTopic(const std::string& site) {
    return siteTopic(site) + "event";
}

std::string surveyTopic(const std::string& site) {
    return siteTopic(site) + "survey";
}

std::string watcherTopic(const std::string& site) {
    return siteTopic(site) + "watcher";
}

std::map<std::uint16_t, std::uint16_t> nodeNetworks(const mesh::Mesh& mesh) {
    std::map<std::uint16_t, std::uint16_t> networks;
    for (const mesh::MeshNode& node : mesh.graph.nodes) {
        auto network = moduleNetwork(mesh, node.id);
        for (auto by = node.reachedBy.begin(); !network && by != node.reachedBy.end(); ++by)
            network = moduleNetwork(mesh, *by);
        if (network) networks[node.id] = *network;
    }
    return networks;
}

}  // namespace watch
