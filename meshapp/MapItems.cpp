#include "MapItems.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <cmath>

#include "CShapButton.h"
#include "RouteWindow.h"

namespace meshapp {

namespace {

constexpr double kRadius = kBadgeDiameter / 2;
constexpr double kHaloWidth = 8;
constexpr double kDeliveryWidth = 6;  // inside the halo, so either shows
constexpr double kArrowWidth = 8;     // across the arrow's base
// A faulty node's ring, clear of the badge so that it shows on the red of a module.
constexpr double kFaultRingGap = 3;
constexpr double kFaultRingWidth = 2.5;
// A faulty line's rails, outside the halo and the delivery band, so that all three show.
constexpr double kFaultRailsWidth = kHaloWidth + 2 * 2.5;
constexpr int kCaptionPixels = 11;
constexpr int kLinkLabelPixels = 10;

QFont pixelFont(int pixels, bool bold = false) {
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QPointF pointOf(MapPoint point) {
    return {point.x, point.y};
}

// A caption or a link value stays readable where lines cross it.
void drawBackedText(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
                    const QColor& color) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 140));
    painter.drawRoundedRect(rect, 3, 3);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(rect, Qt::AlignCenter, text);
}

}  // namespace

NodeBadge::NodeBadge(std::uint16_t id, BadgeKind kind, QString caption)
    : m_id(id), m_kind(kind), m_caption(std::move(caption)) {
    setFlag(ItemIsSelectable);
    setZValue(1);  // over the lines
    setCursor(Qt::PointingHandCursor);
}

QColor NodeBadge::colorOf(BadgeKind kind) {
    return kind == BadgeKind::Module ? display::kLocalColor : display::kRouteColor;
}

QString NodeBadge::letterOf(BadgeKind kind) {
    return kind == BadgeKind::Module ? QStringLiteral("S") : QStringLiteral("R");
}

QString NodeBadge::letter() const {
    return letterOf(m_kind);
}

QColor NodeBadge::color() const {
    return m_down.isEmpty() ? colorOf(m_kind) : kDownColor;
}

void NodeBadge::setDown(QString text) {
    if (text == m_down) return;
    prepareGeometryChange();  // the caption grows
    m_down = std::move(text);
    update();
}

QString NodeBadge::shownCaption() const {
    if (m_down.isEmpty() || m_caption.isEmpty()) return m_caption.isEmpty() ? m_down : m_caption;
    return m_caption + QStringLiteral(" · ") + m_down;
}

void NodeBadge::setHighlighted(bool on) {
    if (on == m_highlighted) return;
    m_highlighted = on;
    update();
}

void NodeBadge::setFaulty(bool on) {
    if (on == m_faulty) return;
    prepareGeometryChange();  // the caption turns bold
    m_faulty = on;
    update();
}

void NodeBadge::setDelivery(std::optional<QColor> color) {
    if (color == m_delivery) return;
    m_delivery = std::move(color);
    update();
}

QFont NodeBadge::captionFont() const {
    return pixelFont(kCaptionPixels, m_faulty);
}

QRectF NodeBadge::captionRect() const {
    const QString caption = shownCaption();
    if (caption.isEmpty()) return {};
    const QFontMetricsF metrics(captionFont());
    const QSizeF size(metrics.horizontalAdvance(caption) + 6, metrics.height() + 2);
    return {QPointF(-size.width() / 2, kRadius + 2), size};
}

QRectF NodeBadge::boundingRect() const {
    const double reach = kRadius + kHaloWidth;
    return QRectF(-reach, -reach, 2 * reach, 2 * reach).united(captionRect());
}

void NodeBadge::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF circle(-kRadius, -kRadius, 2 * kRadius, 2 * kRadius);
    if (m_highlighted) {
        painter->setPen(QPen(kHaloColor, kHaloWidth));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(
            circle.adjusted(-kHaloWidth / 2, -kHaloWidth / 2, kHaloWidth / 2, kHaloWidth / 2));
    }
    if (m_delivery) {
        painter->setPen(QPen(*m_delivery, kDeliveryWidth));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(circle.adjusted(-kDeliveryWidth / 2, -kDeliveryWidth / 2,
                                             kDeliveryWidth / 2, kDeliveryWidth / 2));
    }
    if (m_faulty) {
        const double reach = kFaultRingGap + kFaultRingWidth / 2;
        painter->setPen(QPen(kFaultColor, kFaultRingWidth));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(circle.adjusted(-reach, -reach, reach, reach));
    }
    if (isSelected()) {
        painter->setPen(QPen(Qt::black, 1.5, Qt::DashLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(circle.adjusted(-4, -4, 4, 4));
    }
    display::CShapButton::paintBadge(*painter, circle.toRect(), color(), label(),
                                     display::CShapButton::badgeFont());
    if (const QString caption = shownCaption(); !caption.isEmpty())
        drawBackedText(
            *painter, captionRect(), caption, captionFont(),
            m_faulty ? kFaultColor : QColor(m_down.isEmpty() ? Qt::black : Qt::darkGray));
}

MapLine::MapLine(const mesh::MeshLine& line, const LinePlace& place) : m_line(line) {
    if (!place.curve.empty()) {
        m_path.moveTo(pointOf(place.curve.front()));
        for (std::size_t i = 1; i + 2 < place.curve.size(); i += 3)
            m_path.cubicTo(pointOf(place.curve[i]), pointOf(place.curve[i + 1]),
                           pointOf(place.curve[i + 2]));
    }
    if (place.arrowTip && !place.curve.empty()) {
        // The arrow's base is where the curve ends, its tip where Graphviz put it.
        const QLineF axis(pointOf(place.curve.back()), pointOf(*place.arrowTip));
        QLineF across = axis.normalVector();
        across.setLength(kArrowWidth / 2);
        const QPointF side = across.p2() - across.p1();
        m_arrow << axis.p2() << axis.p1() + side << axis.p1() - side;
    }
    if (place.labelCentre && m_line.linkValue) m_labelCentre = pointOf(*place.labelCentre);
}

QColor MapLine::color() const {
    return linkBandColor(band());
}

void MapLine::setHighlighted(bool on) {
    if (on == m_highlighted) return;
    m_highlighted = on;
    update();
}

void MapLine::setFaulty(bool on) {
    if (on == m_faulty) return;
    m_faulty = on;
    update();
}

void MapLine::setDelivery(std::optional<QColor> color) {
    if (color == m_delivery) return;
    m_delivery = std::move(color);
    update();
}

QPen MapLine::pen() const {
    switch (m_line.kind) {
        case mesh::LineKind::Route:
            return QPen(color(), 2.5, Qt::SolidLine, Qt::RoundCap);
        case mesh::LineKind::Path:
            return QPen(color(), 2, Qt::DashLine, Qt::RoundCap);
        case mesh::LineKind::Reach:
            break;
    }
    return QPen(color(), 1.5, Qt::DotLine, Qt::RoundCap);
}

QString MapLine::label() const {
    return m_line.linkValue ? QStringLiteral("-%1").arg(*m_line.linkValue) : QString();
}

QRectF MapLine::labelRect() const {
    if (!m_labelCentre) return {};
    const QFontMetricsF metrics(pixelFont(kLinkLabelPixels, true));
    const QSizeF size(metrics.horizontalAdvance(label()) + 4, metrics.height());
    return {*m_labelCentre - QPointF(size.width() / 2, size.height() / 2), size};
}

QPainterPath MapLine::shape() const {
    QPainterPathStroker stroker;
    stroker.setWidth(kFaultRailsWidth);
    QPainterPath shape = stroker.createStroke(m_path);
    shape.addPolygon(m_arrow);
    return shape;
}

QRectF MapLine::boundingRect() const {
    return shape().boundingRect().united(labelRect());
}

void MapLine::paintFaultRails(QPainter& painter, const QPainterPath& path) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kFaultColor, kFaultRailsWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawPath(path);
    painter.setPen(QPen(Qt::white, kHaloWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawPath(path);
}

void MapLine::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->setRenderHint(QPainter::Antialiasing);
    if (m_faulty) paintFaultRails(*painter, m_path);
    painter->setBrush(Qt::NoBrush);
    if (m_highlighted) {
        painter->setPen(QPen(kHaloColor, kHaloWidth, Qt::SolidLine, Qt::RoundCap));
        painter->drawPath(m_path);
    }
    if (m_delivery) {
        painter->setPen(QPen(*m_delivery, kDeliveryWidth, Qt::SolidLine, Qt::RoundCap));
        painter->drawPath(m_path);
    }
    painter->setPen(pen());
    painter->drawPath(m_path);
    if (hasArrow()) {
        painter->setPen(QPen(color(), 1));
        painter->setBrush(color());
        painter->drawPolygon(m_arrow);
    }
    if (m_labelCentre)
        drawBackedText(*painter, labelRect(), label(), pixelFont(kLinkLabelPixels, true),
                       color().darker(130));
}

}  // namespace meshapp
