#include "MeshDot.h"

#include <map>
#include <string>
#include <variant>
#include <vector>

#include "FaultMarks.h"
#include "MeshLines.h"

namespace mesh {

namespace {

constexpr std::string_view kFaultAttributes = "color=red, fontcolor=red, penwidth=2";
constexpr std::string_view kModuleAttributes =
    "shape=box, style=\"rounded,filled\", fillcolor=\"#dbe8f6\"";
constexpr std::string_view kHeardOfAttributes = "shape=ellipse, style=dashed";
constexpr std::string_view kFailedPortAttributes = "shape=box, style=dashed";

const std::map<LineKind, std::string_view> kLineStyles = {{LineKind::Path, "style=dashed"},
                                                          {LineKind::Reach, "style=dotted"}};

class DotWriter {
  public:
    DotWriter(const Mesh& mesh, FailedPorts failedPorts)
        : m_mesh(mesh), m_failedPorts(failedPorts), m_faults(mesh.faults) {}

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
        if (m_faults.marks(node.id)) {
            std::string tooltip;
            for (const std::string& text : m_faults.textsOf(node.id))
                tooltip += (tooltip.empty() ? "" : "\n") + text;
            m_dot += ", " + std::string(kFaultAttributes) + ", tooltip=" + dotQuoted(tooltip);
        }
        m_dot += "]\n";
    }

    void writeLine(const MeshLine& line) {
        std::vector<std::string> attributes;
        if (const auto style = kLineStyles.find(line.kind); style != kLineStyles.end())
            attributes.emplace_back(style->second);
        if (line.oneWay) attributes.emplace_back("dir=forward");
        if (line.linkValue)
            attributes.push_back("label=" + dotQuoted("-" + std::to_string(*line.linkValue)));
        if (m_faults.marks(line)) attributes.emplace_back(kFaultAttributes);
        m_dot += "  " + dotNodeName(line.from) + " -> " + dotNodeName(line.to);
        for (std::size_t i = 0; i < attributes.size(); ++i)
            m_dot += (i == 0 ? " [" : ", ") + attributes[i];
        m_dot += attributes.empty() ? "\n" : "]\n";
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

    const Mesh& m_mesh;
    const FailedPorts m_failedPorts;
    FaultMarks m_faults;
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
