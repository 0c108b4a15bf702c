#include "MeshMapScene.h"

#include <QGraphicsSceneMouseEvent>
#include <QStringList>
#include <algorithm>

#include "FaultMarks.h"
#include "MapItems.h"
#include "MeshLines.h"

namespace meshapp {

namespace {

constexpr double kMargin = kBadgeDiameter;

QString captionOf(const mesh::Mesh& mesh, const mesh::MeshNode& node) {
    QStringList ports;
    for (const std::size_t index : node.modules)
        ports << QString::fromStdString(mesh.survey[index].port);
    return ports.join(QStringLiteral(", "));
}

std::pair<std::uint16_t, std::uint16_t> keyOf(std::uint16_t a, std::uint16_t b) {
    return std::minmax(a, b);
}

}  // namespace

MeshMapScene::MeshMapScene(QObject* parent) : QGraphicsScene(parent) {
    setBackgroundBrush(Qt::white);
}

MeshMapScene::~MeshMapScene() = default;

MapChanges MeshMapScene::showMesh(const mesh::Mesh& mesh, const MeshLayout& layout) {
    MapChanges changes;
    clearSelection();
    showNodes(mesh, layout, changes);
    showLines(mesh, layout, changes);
    markFaults(mesh::FaultMarks(mesh.faults));
    setSceneRect(-kMargin, -kMargin, layout.width + 2 * kMargin, layout.height + 2 * kMargin);
    return changes;
}

void MeshMapScene::showNodes(const mesh::Mesh& mesh, const MeshLayout& layout,
                             MapChanges& changes) {
    std::map<std::uint16_t, NodeBadge*> badges;
    for (const mesh::MeshNode& node : mesh.graph.nodes) {
        const BadgeKind kind = node.onPort() ? BadgeKind::Module : BadgeKind::HeardOf;
        const QString caption = captionOf(mesh, node);
        NodeBadge* badge = nullptr;
        if (const auto old = m_badges.find(node.id); old != m_badges.end()) {
            badge = old->second;
            m_badges.erase(old);
            if (badge->kind() != kind || badge->caption() != caption) {
                delete badge;
                badge = nullptr;
                ++changes.nodesChanged;
            }
        } else {
            ++changes.nodesAdded;
        }
        if (!badge) {
            badge = new NodeBadge(node.id, kind, caption);
            addItem(badge);
        }
        badge->setHighlighted(false);
        if (const NodePlace* place = layout.node(node.id))
            badge->setPos(place->centre.x, place->centre.y);
        badges.emplace(node.id, badge);
    }
    changes.nodesRemoved = static_cast<int>(m_badges.size());
    for (auto& [id, badge] : m_badges) delete badge;
    m_badges = std::move(badges);
}

// A line follows its nodes wherever they went, so each is drawn anew; what counts as a change
// is what it says.
void MeshMapScene::showLines(const mesh::Mesh& mesh, const MeshLayout& layout,
                             MapChanges& changes) {
    std::map<LineKey, MapLine*> lines;
    for (const mesh::MeshLine& meshLine : mesh::meshLines(mesh.graph)) {
        const LineKey key = keyOf(meshLine.from, meshLine.to);
        if (const auto old = m_lines.find(key); old != m_lines.end()) {
            if (old->second->meshLine() != meshLine) ++changes.linesChanged;
            delete old->second;
            m_lines.erase(old);
        } else {
            ++changes.linesAdded;
        }
        const LinePlace* place = layout.line(meshLine.from, meshLine.to);
        auto* line = new MapLine(meshLine, place ? *place : LinePlace{});
        addItem(line);
        lines.emplace(key, line);
    }
    changes.linesRemoved = static_cast<int>(m_lines.size());
    for (auto& [key, line] : m_lines) delete line;
    m_lines = std::move(lines);
}

void MeshMapScene::markFaults(const mesh::FaultMarks& marks) {
    for (auto& [id, badge] : m_badges) badge->setFaulty(marks.marks(id));
    for (auto& [key, line] : m_lines) line->setFaulty(marks.marks(line->meshLine()));
}

void MeshMapScene::highlightFault(const mesh::Fault* fault) {
    for (auto& [id, badge] : m_badges)
        badge->setHighlighted(fault && std::ranges::find(fault->nodes, id) != fault->nodes.end());
    for (auto& [key, line] : m_lines) {
        const auto named = [&key](const mesh::FaultLink& link) {
            return keyOf(link.from, link.to) == key;
        };
        line->setHighlighted(fault && std::ranges::any_of(fault->links, named));
    }
}

void MeshMapScene::showDown(const std::map<std::uint16_t, QString>& down) {
    for (auto& [id, badge] : m_badges) {
        const auto found = down.find(id);
        badge->setDown(found == down.end() ? QString() : found->second);
    }
}

NodeBadge* MeshMapScene::badge(std::uint16_t id) const {
    const auto found = m_badges.find(id);
    return found != m_badges.end() ? found->second : nullptr;
}

MapLine* MeshMapScene::line(std::uint16_t a, std::uint16_t b) const {
    const auto found = m_lines.find(keyOf(a, b));
    return found != m_lines.end() ? found->second : nullptr;
}

std::vector<NodeBadge*> MeshMapScene::badges() const {
    std::vector<NodeBadge*> all;
    for (const auto& [id, badge] : m_badges) all.push_back(badge);
    return all;
}

std::vector<MapLine*> MeshMapScene::lines() const {
    std::vector<MapLine*> all;
    for (const auto& [key, line] : m_lines) all.push_back(line);
    return all;
}

void MeshMapScene::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    QGraphicsScene::mousePressEvent(event);
    for (QGraphicsItem* item : items(event->scenePos())) {
        if (auto* badge = dynamic_cast<NodeBadge*>(item)) {
            emit nodeClicked(badge->id());
            return;
        }
    }
}

void MeshMapScene::showDelivery(const std::map<std::uint16_t, QColor>& nodes,
                                const std::map<NodePair, QColor>& lines) {
    for (const auto& [id, badge] : m_badges) {
        const auto color = nodes.find(id);
        badge->setDelivery(color == nodes.end() ? std::nullopt : std::optional(color->second));
    }
    for (const auto& [key, line] : m_lines) {
        auto color = lines.find(key);
        if (color == lines.end()) color = lines.find({key.second, key.first});
        line->setDelivery(color == lines.end() ? std::nullopt : std::optional(color->second));
    }
}

}  // namespace meshapp
