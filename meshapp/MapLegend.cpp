#include "MapLegend.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "CShapButton.h"
#include "LinkBands.h"
#include "MapItems.h"

namespace meshapp {

namespace legend {

namespace {

constexpr double kRowHeight = 30;
constexpr double kSampleWidth = 34;  // a badge or a piece of line
constexpr double kEntryGap = 22;
constexpr double kMargin = 6;
constexpr int kTextPixels = 12;

QString tr(const char* text) {
    return QCoreApplication::translate("MeshMap", text);
}

QFont textFont() {
    QFont font;
    font.setPixelSize(kTextPixels);
    return font;
}

// Draws the entries of a row from x on, a sample and its text each; returns where it ends.
class Row {
  public:
    Row(QPainter* painter, QPointF start) : m_painter(painter), m_at(start) {}

    void badge(BadgeKind kind, const QString& text) {
        const double side = kRowHeight - 4;
        sample(text, [&](QPainter& p, const QRectF& box) {
            const QRectF circle(box.center().x() - side / 2, box.center().y() - side / 2, side,
                                side);
            display::CShapButton::paintBadge(p, circle.toRect(), NodeBadge::colorOf(kind),
                                             NodeBadge::letterOf(kind),
                                             display::CShapButton::badgeFont());
        });
    }

    void line(const QPen& pen, const QString& text, bool arrow = false) {
        sample(text, [&](QPainter& p, const QRectF& box) {
            const double y = box.center().y();
            const QPointF end(box.right() - (arrow ? 8 : 0), y);
            p.setPen(pen);
            p.drawLine(QPointF(box.left(), y), end);
            if (!arrow) return;
            p.setPen(Qt::NoPen);
            p.setBrush(pen.color());
            p.drawPolygon(QPolygonF{{box.right(), y}, {end.x(), y - 4}, {end.x(), y + 4}});
        });
    }

    void faultyLine(const QString& text) {
        sample(text, [&](QPainter& p, const QRectF& box) {
            QPainterPath path(QPointF(box.left() + 3, box.center().y()));
            path.lineTo(box.right() - 3, box.center().y());
            MapLine::paintFaultRails(p, path);
            p.setPen(QPen(linkBandColor(LinkBand::Unknown), 2.5));
            p.drawPath(path);
        });
    }

    void title(const QString& text) {
        sample(
            text, [](QPainter&, const QRectF&) {}, 0);
    }

    double end() const { return m_at.x(); }

  private:
    template <typename Draw>
    void sample(const QString& text, Draw draw, double sampleWidth = kSampleWidth) {
        const QRectF box(m_at.x(), m_at.y(), sampleWidth, kRowHeight);
        double textWidth = QFontMetricsF(textFont()).horizontalAdvance(text);
        if (m_painter) {
            m_painter->save();
            m_painter->setRenderHint(QPainter::Antialiasing);
            draw(*m_painter, box);
            m_painter->restore();
            m_painter->setFont(textFont());
            m_painter->setPen(Qt::black);
            m_painter->drawText(QRectF(box.right() + 6, box.top(), textWidth + 2, kRowHeight),
                                Qt::AlignVCenter | Qt::AlignLeft, text);
        }
        m_at.rx() += sampleWidth + 6 + textWidth + kEntryGap;
    }

    QPainter* m_painter;
    QPointF m_at;
};

constexpr int kRows = 3;

// The rows, drawn where a painter is given, measured either way; returns the widest row's end.
double rows(QPainter* painter, const QPointF& topLeft) {
    const QColor grey = linkBandColor(LinkBand::Unknown);
    const auto rowAt = [&](int row) {
        return Row(painter, topLeft + QPointF(kMargin, kMargin + row * kRowHeight));
    };
    Row nodes = rowAt(0);
    nodes.badge(BadgeKind::Module, tr("module on a port"));
    nodes.badge(BadgeKind::HeardOf, tr("node only heard of"));
    nodes.faultyLine(tr("faulty"));
    nodes.line(QPen(kHaloColor, 8), tr("the selected fault"));
    Row kinds = rowAt(1);
    kinds.line(QPen(grey, 2.5), tr("route"));
    kinds.line(QPen(grey, 2.5), tr("one-way route"), true);
    kinds.line(QPen(grey, 2, Qt::DashLine), tr("path hop only"));
    kinds.line(QPen(grey, 1.5, Qt::DotLine), tr("reached, way unknown"));
    Row bands = rowAt(2);
    bands.title(tr("Link value:"));
    for (const LinkBand band : kLinkBands)
        bands.line(QPen(linkBandColor(band), 3), linkBandText(band));
    return std::max({nodes.end(), kinds.end(), bands.end()}) - topLeft.x();
}

}  // namespace

QSizeF size() {
    return {std::ceil(rows(nullptr, {})), kRows * kRowHeight + 2 * kMargin};
}

void paint(QPainter& painter, const QPointF& topLeft) {
    rows(&painter, topLeft);
}

}  // namespace legend

MapLegend::MapLegend(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(static_cast<int>(legend::size().height()));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize MapLegend::sizeHint() const {
    return legend::size().toSize();
}

void MapLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    legend::paint(painter, {0, 0});
}

}  // namespace meshapp
