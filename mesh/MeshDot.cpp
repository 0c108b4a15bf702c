#include "MeshDot.h"

#include <map>
#include <string>
#include <vector>

#include "FaultMarks.h"
#include "MeshLines.h"

namespace mesh {

namespace {

constexpr std::string_view kFaultAttributes = "color=red, fontcolor=red, penwidth=2";
constexpr std::string_view kModuleAttributes =
    "shape=box, style=\"rounded,filled\", fillcolor=\"#dbe8f6\"";
constexpr std::string_view kHeardOfAttributes = "shape=ellipse, style=dashed";

const std::map<LineKind, std::string_view> kLineStyles = {{LineKind::Path, "style=dashed"},
                                                          {LineKind::Reach, "style=dotted"}};

class DotWriter {
  public:
    explicit DotWriter(const Mesh& mesh) : m_mesh(mesh), m_faults(mesh.faults) {}

    std::string write() {
        m_dot =
            "digraph mesh {\n  layout=neato\n  overlap=false\n  splines=true\n"
            "  node [fontname=\"sans-serif\", fontsize=11]\n"
            "  edge [fontname=\"sans-serif\", fontsize=9, dir=none]\n";
        for (const MeshNode& node : m_mesh.graph.nodes) writeNode(node);
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

    const Mesh& m_mesh;
    FaultMarks m_faults;
    std::string m_dot;
};

}  // namespace

std::string dotNodeName(std::uint16_t id) {
    return "n" + std::to_string(id);
}

std::string meshDot(const Mesh& mesh) {
    return DotWriter(mesh).write();
}

}  // namespace mesh
