#include "MeshDot.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "MeshLines.h"

namespace mesh {

namespace {

using Pair = std::pair<std::uint16_t, std::uint16_t>;  // lower id first

constexpr std::string_view kFaultAttributes = "color=red, fontcolor=red, penwidth=2";
constexpr std::string_view kModuleAttributes =
    "shape=box, style=\"rounded,filled\", fillcolor=\"#dbe8f6\"";
constexpr std::string_view kHeardOfAttributes = "shape=ellipse, style=dashed";
constexpr std::string_view kFailedPortAttributes = "shape=box, style=dashed";

Pair pairOf(std::uint16_t a, std::uint16_t b) {
    return std::minmax(a, b);
}

const std::map<LineKind, std::string_view> kLineStyles = {{LineKind::Path, "style=dashed"},
                                                          {LineKind::Reach, "style=dotted"}};

class DotWriter {
  public:
    DotWriter(const Mesh& mesh, FailedPorts failedPorts)
        : m_mesh(mesh), m_failedPorts(failedPorts) {
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
        if (m_failedPorts == FailedPorts::kDrawn) writeFailedPorts();
        for (const MeshLine& line : meshLines(m_mesh.graph)) writeLine(line);
        return m_dot + "}\n";
    }

  private:
    void writeNode(const MeshNode& node) {
        std::string label = std::to_string(node.id);
        for (const std::size_t index : node.modules) label += "\n" + m_mesh.survey[index].port;
        m_dot += "  " + dotNodeName(node.id) + " [label=" + dotQuoted(label) + ", ";
        m_dot += node.onPort() ? kModuleAttributes : kHeardOfAttributes;
        if (const auto texts = m_faultTexts.find(node.id); texts != m_faultTexts.end()) {
            std::string tooltip;
            for (const std::string& text : texts->second)
                tooltip += (tooltip.empty() ? "" : "\n") + text;
            m_dot += ", " + std::string(kFaultAttributes) + ", tooltip=" + dotQuoted(tooltip);
        }
        m_dot += "]\n";
    }

    // A port that gave no answers has no node id: it stands alone, named by its place in the
    // survey, with its failure as the table gives it.
    void writeFailedPorts() {
        for (std::size_t i = 0; i < m_mesh.survey.size(); ++i) {
            const SurveyedPort& port = m_mesh.survey[i];
            const auto* failure = std::get_if<PortFailure>(&port.outcome);
            if (!failure) continue;
            m_dot += "  failed" + std::to_string(i) +
                     " [label=" + dotQuoted(port.port + "\n" + failure->reason) + ", " +
                     std::string(kFailedPortAttributes) + ", " + std::string(kFaultAttributes) +
                     ", tooltip=" + dotQuoted(port.port + ": " + failure->reason) + "]\n";
        }
    }

    void writeLine(const MeshLine& line) {
        std::vector<std::string> attributes;
        if (const auto style = kLineStyles.find(line.kind); style != kLineStyles.end())
            attributes.emplace_back(style->second);
        if (line.oneWay) attributes.emplace_back("dir=forward");
        if (line.linkValue)
            attributes.push_back("label=" + dotQuoted("-" + std::to_string(*line.linkValue)));
        if (line.kind != LineKind::Reach && m_faultyPairs.contains(pairOf(line.from, line.to)))
            attributes.emplace_back(kFaultAttributes);
        m_dot += "  " + dotNodeName(line.from) + " -> " + dotNodeName(line.to);
        for (std::size_t i = 0; i < attributes.size(); ++i)
            m_dot += (i == 0 ? " [" : ", ") + attributes[i];
        m_dot += attributes.empty() ? "\n" : "]\n";
    }

    const Mesh& m_mesh;
    const FailedPorts m_failedPorts;
    std::map<std::uint16_t, std::vector<std::string>> m_faultTexts;
    std::set<Pair> m_faultyPairs;
    std::string m_dot;
};

}  // namespace

std::string dotNodeName(std::uint16_t id) {
    return "n" + std::to_string(id);
}

std::string meshDot(const Mesh& mesh, FailedPorts failedPorts) {
    return DotWriter(mesh, failedPorts).write();
}

}  // namespace mesh
