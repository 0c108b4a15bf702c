#include "MapView.h"

#include <QWheelEvent>
#include <algorithm>
#include <cmath>

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
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    setTransform(QTransform::fromScale(zoom, zoom));
}

void MapView::fitMap() {
    if (!scene()) return;
    const QRectF area = scene()->sceneRect();
    const QSizeF room = viewport()->size();
    if (area.isEmpty() || room.isEmpty()) return setZoom(1);
    setZoom(std::min({1.0, room.width() / area.width(), room.height() / area.height()}));
    centerOn(area.center());
}

void MapView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) return QGraphicsView::wheelEvent(event);
    const double steps = event->angleDelta().y() / 120.0;
    setZoom(zoom() * std::pow(kZoomStep, steps));
    event->accept();
}
