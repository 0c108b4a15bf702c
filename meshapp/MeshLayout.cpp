#include "MeshLayout.h"

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>
#include <locale.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>

#include "MeshDot.h"
#include "MeshLines.h"

namespace meshapp {

namespace {

constexpr double kPointsPerInch = 72;
constexpr double kLineLength = 110;  // from centre to centre, where the mesh lets it

// Graphviz keeps global state (its error handler, its text layout): one layout at a time.
std::mutex g_graphvizLock;

// Graphviz reads and writes its numbers with the C library, which follows the thread's locale:
// where LC_NUMERIC writes 0,5 (the window sets the user's locale) "0.5" would read as 0. The
// thread speaks the C locale's numbers while it lays out.
class CNumbers {
  public:
    CNumbers() : m_c(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr))) {
        if (m_c) m_before = uselocale(m_c);
    }
    ~CNumbers() {
        if (!m_c) return;
        uselocale(m_before);
        freelocale(m_c);
    }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

  private:
    locale_t m_c;
    locale_t m_before = LC_GLOBAL_LOCALE;
};

// One context for the process, never freed: Graphviz's text measuring keeps the font it last
// used past the context that made it, and reads it freed in the next context.
GVC_t* sharedContext() {
    static GVC_t* const context = gvContext();
    return context;
}
struct GraphCloser {
    void operator()(Agraph_t* graph) const { agclose(graph); }
};

// Graphviz's setters take writable strings that they copy.
void set(void* object, std::string name, std::string value) {
    std::string none;
    agsafeset(object, name.data(), value.data(), none.data());
}

std::string get(void* object, std::string name) {
    const char* value = agget(object, name.data());
    return value ? value : "";
}

// Positions given to the layout are in inches.
std::string inchesText(double x, double y) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f,%.4f", x / kPointsPerInch, y / kPointsPerInch);
    return text;
}

std::optional<MapPoint> pointOf(const std::string& text) {
    MapPoint point;
    if (std::sscanf(text.c_str(), "%lf,%lf", &point.x, &point.y) != 2) return std::nullopt;
    return point;
}

// Graphviz measures upwards, within its bounding box "left,bottom,right,top".
class Flip {
  public:
    explicit Flip(MapPoint topLeft) : m_topLeft(topLeft) {}
    MapPoint operator()(MapPoint p) const { return {p.x - m_topLeft.x, m_topLeft.y - p.y}; }

  private:
    MapPoint m_topLeft;
};

class LaidOutGraph {
  public:
    LaidOutGraph(const mesh::Mesh& mesh, const MeshLayout& previous)
        : m_context(sharedContext()), m_graph(agmemread(mesh::meshDot(mesh).c_str())) {
        if (!m_context || !m_graph) throw std::runtime_error("Graphviz cannot read the mesh");
        set(m_graph.get(), "sep", "+" + std::to_string(kCaptionRoom));
        // Lines long enough for a link value between two badges, kept so by the removal of
        // overlaps, which would otherwise pull the badges together again.
        set(m_graph.get(), "overlap_shrink", "false");
        // Straight lines: routing them around the badges takes seconds from 50 nodes on.
        set(m_graph.get(), "splines", "line");
        std::string length = "len", inches = std::to_string(kLineLength / kPointsPerInch);
        agattr(m_graph.get(), AGEDGE, length.data(), inches.data());
        const std::string size = std::to_string(kBadgeDiameter / kPointsPerInch);
        for (const mesh::MeshNode& node : mesh.graph.nodes) {
            Agnode_t* place = nodeOf(node.id);
            set(place, "label", "");  // the map draws its own
            set(place, "shape", "circle");
            set(place, "fixedsize", "true");
            set(place, "width", size);
            set(place, "height", size);
            // Where it was, pinned: what did not change stays, the rest settles around it.
            if (const NodePlace* before = previous.node(node.id))
                set(place, "pos",
                    inchesText(before->centre.x, previous.height - before->centre.y) + "!");
        }
        if (gvLayout(m_context, m_graph.get(), "neato") != 0)
            throw std::runtime_error(
                "Graphviz cannot lay out the mesh: is libgvc6 installed whole?");
        attach_attrs(m_graph.get());
    }
    ~LaidOutGraph() {
        if (m_graph) gvFreeLayout(m_context, m_graph.get());
    }
    LaidOutGraph(const LaidOutGraph&) = delete;
    LaidOutGraph& operator=(const LaidOutGraph&) = delete;

    MeshLayout read(const mesh::Mesh& mesh) {
        double left = 0, bottom = 0, right = 0, top = 0;
        std::sscanf(get(m_graph.get(), "bb").c_str(), "%lf,%lf,%lf,%lf", &left, &bottom, &right,
                    &top);
        MeshLayout layout{.width = right - left, .height = top - bottom};
        const Flip flip({left, top});
        for (const mesh::MeshNode& node : mesh.graph.nodes) {
            const auto centre = pointOf(get(nodeOf(node.id), "pos"));
            layout.nodes.push_back({node.id, flip(centre.value_or(MapPoint{}))});
        }
        for (const mesh::MeshLine& line : mesh::meshLines(mesh.graph))
            layout.lines.push_back(placeOf(line, flip));
        return layout;
    }

  private:
    Agnode_t* nodeOf(std::uint16_t id) {
        std::string name = mesh::dotNodeName(id);
        Agnode_t* node = agnode(m_graph.get(), name.data(), 0);
        if (!node) throw std::logic_error("the mesh's text lacks node " + name);
        return node;
    }

    // "e,x,y x,y x,y ...": the arrow's tip, then the curve's points.
    LinePlace placeOf(const mesh::MeshLine& line, const Flip& flip) {
        LinePlace place{line.from, line.to};
        Agedge_t* edge = agedge(m_graph.get(), nodeOf(line.from), nodeOf(line.to), nullptr, 0);
        if (!edge) return place;
        std::istringstream words(get(edge, "pos"));
        for (std::string word; words >> word;) {
            const bool tip = word.starts_with("e,");
            if (tip || word.starts_with("s,")) word.erase(0, 2);
            const auto point = pointOf(word);
            if (!point) continue;
            if (tip) {
                place.arrowTip = flip(*point);
            } else {
                place.curve.push_back(flip(*point));
            }
        }
        if (const auto label = pointOf(get(edge, "lp"))) place.labelCentre = flip(*label);
        return place;
    }

    GVC_t* m_context;  // shared, under g_graphvizLock
    std::unique_ptr<Agraph_t, GraphCloser> m_graph;
};

}  // namespace

const NodePlace* MeshLayout::node(std::uint16_t id) const {
    const auto found = std::ranges::lower_bound(nodes, id, {}, &NodePlace::id);
    return found != nodes.end() && found->id == id ? &*found : nullptr;
}

const LinePlace* MeshLayout::line(std::uint16_t from, std::uint16_t to) const {
    const auto found = std::ranges::find_if(
        lines, [&](const LinePlace& line) { return line.from == from && line.to == to; });
    return found != lines.end() ? &*found : nullptr;
}

MeshLayout layOutMesh(const mesh::Mesh& mesh, const MeshLayout& previous) {
    if (mesh.graph.nodes.empty()) return {};
    const std::lock_guard lock(g_graphvizLock);
    const CNumbers numbers;
    LaidOutGraph graph(mesh, previous);
    return graph.read(mesh);
}

}  // namespace meshapp
