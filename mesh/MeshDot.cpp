#include "MeshDot.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace mesh {

namespace {

using Pair = std::pair<std::uint16_t, std::uint16_t>;  // lower id first

constexpr std::string_view kFaultAttributes = "color=red, fontcolor=red, penwidth=2";
constexpr std::string_view kModuleAttributes =
    "shape=box, style=\"rounded,filled\", fillcolor=\"#dbe8f6\"";
constexpr std::string_view kHeardOfAttributes = "shape=ellipse, style=dashed";

Pair pairOf(std::uint16_t a, std::uint16_t b) {
    return std::minmax(a, b);
}

std::string nodeName(std::uint16_t id) {
    return "n" + std::to_string(id);
}

// One line drawn for the edges of one kind between two nodes.
struct DrawnLink {
    std::uint16_t from = 0;
    std::uint16_t to = 0;
    bool oneWay = false;
    std::optional<std::uint8_t> linkValue{};
};

class DotWriter {
  public:
    explicit DotWriter(const Mesh& mesh) : m_mesh(mesh) {
        for (const Fault& fault : mesh.faults) {
            for (const std::uint16_t node : fault.nodes) m_faultTexts[node].push_back(fault.text);
            for (const FaultLink& link : fault.links)
                m_faultyPairs.insert(pairOf(link.from, link.to));
        }
    }

    std::string write() {
        m_dot =
            "digraph mesh {\n  layout=neato\n  overlap=false\n  splines=true\n"
            "  node [fontname=\"sans-serif\", fontsize=11]\n"
            "  edge [fontname=\"sans-serif\", fontsize=9, dir=none]\n";
        for (const MeshNode& node : m_mesh.graph.nodes) writeNode(node);
        const auto routes = linksOf(EdgeKind::Route, {});
        std::set<Pair> routed;
        for (const auto& [pair, link] : routes) routed.insert(pair);
        const auto paths = linksOf(EdgeKind::Path, routed);
        writeLinks(routes, "");
        writeLinks(paths, "style=dashed");
        writeReachedOnly(routes, paths);
        return m_dot + "}\n";
    }

  private:
    void writeNode(const MeshNode& node) {
        std::string label = std::to_string(node.id);
        for (const std::size_t index : node.modules) label += "\n" + m_mesh.survey[index].port;
        m_dot += "  " + nodeName(node.id) + " [label=" + dotQuoted(label) + ", ";
        m_dot += node.onPort() ? kModuleAttributes : kHeardOfAttributes;
        if (const auto texts = m_faultTexts.find(node.id); texts != m_faultTexts.end()) {
            std::string tooltip;
            for (const std::string& text : texts->second)
                tooltip += (tooltip.empty() ? "" : "\n") + text;
            m_dot += ", " + std::string(kFaultAttributes) + ", tooltip=" + dotQuoted(tooltip);
        }
        m_dot += "]\n";
    }

    // Edges of one kind, one line per pair of nodes, leaving out the pairs given.
    std::map<Pair, DrawnLink> linksOf(EdgeKind kind, const std::set<Pair>& leftOut) const {
        std::map<Pair, DrawnLink> links;
        for (const MeshEdge& edge : m_mesh.graph.edges) {
            const Pair pair = pairOf(edge.from, edge.to);
            if (edge.kind != kind || leftOut.contains(pair)) continue;
            auto [found, added] =
                links.try_emplace(pair, DrawnLink{edge.from, edge.to, edge.oneWay, edge.linkValue});
            DrawnLink& link = found->second;
            if (!added) link = {pair.first, pair.second, false, link.linkValue};
            if (!link.linkValue) link.linkValue = edge.linkValue;
        }
        return links;
    }

    void writeLinks(const std::map<Pair, DrawnLink>& links, std::string_view style) {
        for (const auto& [pair, link] : links) {
            std::vector<std::string> attributes;
            if (!style.empty()) attributes.emplace_back(style);
            if (link.oneWay) attributes.emplace_back("dir=forward");
            if (link.linkValue)
                attributes.push_back("label=" + dotQuoted("-" + std::to_string(*link.linkValue)));
            if (m_faultyPairs.contains(pair)) attributes.emplace_back(kFaultAttributes);
            m_dot += "  " + nodeName(link.from) + " -> " + nodeName(link.to);
            for (std::size_t i = 0; i < attributes.size(); ++i)
                m_dot += (i == 0 ? " [" : ", ") + attributes[i];
            m_dot += attributes.empty() ? "\n" : "]\n";
        }
    }

    // A node only heard of as a target, with no line of its own, hangs from those reaching it.
    void writeReachedOnly(const std::map<Pair, DrawnLink>& routes,
                          const std::map<Pair, DrawnLink>& paths) {
        std::set<std::uint16_t> linked;
        for (const auto* links : {&routes, &paths}) {
            for (const auto& [pair, link] : *links) linked.insert({pair.first, pair.second});
        }
        for (const MeshNode& node : m_mesh.graph.nodes) {
            if (node.onPort() || linked.contains(node.id)) continue;
            for (const std::uint16_t by : node.reachedBy)
                m_dot += "  " + nodeName(by) + " -> " + nodeName(node.id) + " [style=dotted]\n";
        }
    }

    const Mesh& m_mesh;
    std::map<std::uint16_t, std::vector<std::string>> m_faultTexts;
    std::set<Pair> m_faultyPairs;
    std::string m_dot;
};

}  // namespace

std::string meshDot(const Mesh& mesh) {
    return DotWriter(mesh).write();
}

}  // namespace mesh
