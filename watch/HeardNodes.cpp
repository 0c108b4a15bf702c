#include "HeardNodes.h"

#include "MeshReach.h"

namespace watch {

HeardNodes heardIn(const mesh::Mesh& mesh) {
    HeardNodes heard;
    const std::vector<mesh::Module> modules = mesh::modulesOf(mesh.survey);
    for (const mesh::Module& module : modules)
        heard.try_emplace(module.id, HeardThrough{mesh.survey[module.index].port, true});
    for (const mesh::Module& module : modules) {
        const std::string& port = mesh.survey[module.index].port;
        for (const proto::RouteEntry& route : mesh::routesOf(module)) {
            heard.try_emplace(route.target, HeardThrough{port, false});
            heard.try_emplace(route.route, HeardThrough{port, false});
        }
    }
    return heard;
}

std::string portOfNode(const mesh::Mesh& mesh, std::uint16_t node) {
    const mesh::MeshNode* found = mesh.graph.node(node);
    if (!found || !found->onPort()) return {};
    return mesh.survey[found->modules.front()].port;
}

}  // namespace watch
