#include "MeshVerdict.h"

#include <algorithm>

#include "MeshGraph.h"

namespace meshplan {

namespace {

LinkCheck checkLink(const ExpectedLink& link, const mesh::MeshGraph& graph) {
    LinkCheck check{link};
    for (const mesh::MeshEdge& edge : graph.edges) {
        if (std::minmax(edge.from, edge.to) != std::minmax(link.a, link.b)) continue;
        check.present = true;
        if (!edge.linkValue) continue;
        const int value = -static_cast<int>(*edge.linkValue);
        check.value = std::min(check.value.value_or(value), value);
    }
    return check;
}

bool heardIn(const mesh::MeshGraph& graph, std::uint16_t node) {
    const mesh::MeshNode* found = graph.node(node);
    return found && !found->reachedBy.empty();
}

}  // namespace

std::string NodeCheck::drift() const {
    if (heard) return {};
    return "node " + std::to_string(node) + ": heard by no module's route list";
}

bool LinkCheck::passed() const {
    if (!present) return false;
    return !link.minLinkValue || (value && *value >= *link.minLinkValue);
}

std::string LinkCheck::name() const {
    return "link " + std::to_string(link.a) + "-" + std::to_string(link.b);
}

std::string LinkCheck::drift() const {
    if (passed()) return {};
    if (!present) return name() + ": missing: no route list or path read shows it";
    const std::string wanted = "at least " + std::to_string(*link.minLinkValue);
    if (!value)
        return name() + ": its link value is unknown, " + wanted +
               " wanted: no path read crosses it (send across it, then verify)";
    return name() + ": " + std::to_string(*value) + ", " + wanted + " wanted";
}

Verdict verifyMesh(const MeshFile& file, const mesh::Survey& survey) {
    Verdict verdict{planMesh(file, survey), {}, {}};
    const mesh::MeshGraph graph = mesh::buildGraph(survey);
    for (const std::uint16_t node : file.heardNodes)
        verdict.nodes.push_back({node, heardIn(graph, node)});
    for (const ExpectedLink& link : file.links) verdict.links.push_back(checkLink(link, graph));
    return verdict;
}

std::vector<mesh::Fault> driftFaults(const Verdict& verdict) {
    constexpr auto kDrift = mesh::FaultKind::DriftsFromFile;
    std::vector<mesh::Fault> faults;
    for (const ModulePlan& module : verdict.plan.modules)
        for (std::string& line : driftLines(module))
            faults.push_back({kDrift, std::move(line), {module.port}, {module.module.nodeId}, {}});
    for (const NodeCheck& node : verdict.nodes)
        if (!node.heard) faults.push_back({kDrift, node.drift(), {}, {node.node}, {}});
    for (const LinkCheck& link : verdict.links)
        if (!link.passed())
            faults.push_back({kDrift,
                              link.drift(),
                              {},
                              {link.link.a, link.link.b},
                              {{link.link.a, link.link.b}}});
    return faults;
}

std::vector<std::string> Verdict::drifts() const {
    std::vector<std::string> lines;
    for (mesh::Fault& fault : driftFaults(*this)) lines.push_back(std::move(fault.text));
    return lines;
}

}  // namespace meshplan
