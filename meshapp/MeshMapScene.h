#pragma once
// The mesh map: a badge per node and a line per pair of linked nodes where the layout puts
// them, what any fault names marked from the start. A new survey's map keeps the items that look
// the same and replaces the others, so that what stays put on screen is what did not change; the
// count of what did is returned.

#include <QColor>
#include <QGraphicsScene>
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

#include "FaultMarks.h"
#include "Mesh.h"
#include "MeshLayout.h"

namespace meshapp {

class MapLine;
class NodeBadge;

struct MapChanges {
    int nodesAdded = 0;
    int nodesRemoved = 0;
    int nodesChanged = 0;  // kind or ports
    int linesAdded = 0;
    int linesRemoved = 0;
    int linesChanged = 0;  // kind, direction or link value
    bool any() const {
        return nodesAdded + nodesRemoved + nodesChanged + linesAdded + linesRemoved + linesChanged >
               0;
    }
};

class MeshMapScene : public QGraphicsScene {
    Q_OBJECT

  public:
    explicit MeshMapScene(QObject* parent = nullptr);
    ~MeshMapScene() override;

    MapChanges showMesh(const mesh::Mesh& mesh, const MeshLayout& layout);
    // Halos what the fault names, its nodes and the lines between the pairs it names; nullptr
    // takes every halo away.
    void highlightFault(const mesh::Fault* fault);

    // The delivery test's colours: of each node named, and of each line between two nodes named
    // (either way round); every other node and line loses its colour.
    using NodePair = std::pair<std::uint16_t, std::uint16_t>;
    void showDelivery(const std::map<std::uint16_t, QColor>& nodes,
                      const std::map<NodePair, QColor>& lines);

    // The nodes a followed watcher holds down, each with its down text; every other node is up.
    void showDown(const std::map<std::uint16_t, QString>& down);

    NodeBadge* badge(std::uint16_t id) const;
    MapLine* line(std::uint16_t a, std::uint16_t b) const;  // either way round
    std::vector<NodeBadge*> badges() const;
    std::vector<MapLine*> lines() const;

  signals:
    void nodeClicked(std::uint16_t id);

  protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;

  private:
    using LineKey = std::pair<std::uint16_t, std::uint16_t>;  // lower id first

    void showNodes(const mesh::Mesh& mesh, const MeshLayout& layout, MapChanges& changes);
    void showLines(const mesh::Mesh& mesh, const MeshLayout& layout, MapChanges& changes);
    void markFaults(const mesh::FaultMarks& marks);

    std::map<std::uint16_t, NodeBadge*> m_badges;
    std::map<LineKey, MapLine*> m_lines;
};

}  // namespace meshapp
