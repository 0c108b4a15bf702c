#include "MapView.h"

#include <QResizeEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace meshapp {

MapView::MapView(QGraphicsScene* scene, QWidget* parent) : QGraphicsView(scene, parent) {
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    setDragMode(QGraphicsView::ScrollHandDrag);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setResizeAnchor(QGraphicsView::AnchorViewCenter);
}

double MapView::zoom() const {
    return transform().m11();
}

void MapView::setZoom(double zoom) {
    m_fitted = false;
    zoomTo(zoom);
}

void MapView::zoomTo(double zoom) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    setTransform(QTransform::fromScale(zoom, zoom));
}

void MapView::fitMap() {
    if (!scene()) return;
    const QRectF area = scene()->sceneRect();
    // A pixel spare on each side: the view scrolls by whole pixels, and an exact fit can lose
    // the map's edge to rounding.
    const QSizeF room = viewport()->size() - QSize(2, 2);
    m_fitted = true;
    if (area.isEmpty() || room.isEmpty()) return zoomTo(1);
    zoomTo(std::min({1.0, room.width() / area.width(), room.height() / area.height()}));
    centerOn(area.center());
}

void MapView::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    if (m_fitted) fitMap();
}

void MapView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) return QGraphicsView::wheelEvent(event);
    const double steps = event->angleDelta().y() / 120.0;
    setZoom(zoom() * std::pow(kZoomStep, steps));
    event->accept();
}

}  // namespace meshapp
