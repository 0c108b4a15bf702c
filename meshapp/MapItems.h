#pragma once
// What the mesh map is drawn with: a node badge in the route list window's look (a module on a
// port in the local node's colour, legend "S"; a node only heard of in the route node's, "R")
// with its ports under it, and a line between two nodes as Graphviz routed it, coloured by its
// link value. What any fault names is marked from the start, as the Graphviz text marks it red:
// a node with a red ring and caption, a line between red rails. A highlighted item (what the
// selected fault names) gets a halo; while a delivery test runs, a node gets a ring and a line a
// band in the colour of its pairs' delivery.

#include <QColor>
#include <QGraphicsItem>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdint>
#include <optional>

#include "LinkBands.h"
#include "MeshLayout.h"
#include "MeshLines.h"

namespace meshapp {

inline const QColor kHaloColor(0xff, 0xd4, 0x00);
inline const QColor kFaultColor(0xe0, 0x00, 0x00);
inline const QColor kDownColor(0xa0, 0xa0, 0xa0);

enum class BadgeKind { Module, HeardOf };

class NodeBadge : public QGraphicsItem {
  public:
    NodeBadge(std::uint16_t id, BadgeKind kind, QString caption);

    std::uint16_t id() const { return m_id; }
    BadgeKind kind() const { return m_kind; }
    QString letter() const;  // the legend's "S" or "R"
    QColor color() const;
    QString label() const { return QString::number(m_id); }
    QString caption() const { return m_caption; }
    bool highlighted() const { return m_highlighted; }
    void setHighlighted(bool on);
    bool faulty() const { return m_faulty; }
    void setFaulty(bool on);
    // A ring in the colour of the delivery test's figures for the node; none without.
    const std::optional<QColor>& delivery() const { return m_delivery; }
    void setDelivery(std::optional<QColor> color);
    // A node a followed watcher holds down: greyed, with how long since it was heard under it.
    const QString& downText() const { return m_down; }
    void setDown(QString text);
    QString shownCaption() const;  // the caption with the down text

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    static QColor colorOf(BadgeKind kind);
    static QString letterOf(BadgeKind kind);

  private:
    QFont captionFont() const;
    QRectF captionRect() const;

    std::uint16_t m_id;
    BadgeKind m_kind;
    QString m_caption;
    bool m_highlighted = false;
    bool m_faulty = false;
    std::optional<QColor> m_delivery;
    QString m_down;
};

class MapLine : public QGraphicsItem {
  public:
    MapLine(const mesh::MeshLine& line, const LinePlace& place);

    const mesh::MeshLine& meshLine() const { return m_line; }
    LinkBand band() const { return linkBandOf(m_line.linkValue); }
    QColor color() const;
    bool hasArrow() const { return !m_arrow.isEmpty(); }
    bool highlighted() const { return m_highlighted; }
    void setHighlighted(bool on);
    bool faulty() const { return m_faulty; }
    void setFaulty(bool on);
    // A wide band under the line in the colour of the delivery of the pairs routed over it.
    const std::optional<QColor>& delivery() const { return m_delivery; }
    void setDelivery(std::optional<QColor> color);

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    // The red rails along a path that mark a faulty line, on the map and in its legend.
    static void paintFaultRails(QPainter& painter, const QPainterPath& path);

  private:
    QPen pen() const;
    QString label() const;
    QRectF labelRect() const;

    mesh::MeshLine m_line;
    QPainterPath m_path;
    QPolygonF m_arrow;
    std::optional<QPointF> m_labelCentre;
    bool m_highlighted = false;
    bool m_faulty = false;
    std::optional<QColor> m_delivery;
};

}  // namespace meshapp
