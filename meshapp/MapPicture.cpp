#include "MapPicture.h"

#include <QCoreApplication>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <cmath>

#include "MapLegend.h"

namespace meshapp::picture {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("MeshMap", text);
}

// The legend above the map, on white.
QSize pictureSize(const QGraphicsScene& map) {
    const QSizeF legend = legend::size();
    const QRectF area = map.sceneRect();
    return QSize(static_cast<int>(std::ceil(std::max(legend.width(), area.width()))),
                 static_cast<int>(std::ceil(legend.height() + area.height())));
}

void paint(QGraphicsScene& map, QPainter& painter, const QSize& size) {
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    legend::paint(painter, {0, 0});
    const QRectF area = map.sceneRect();
    const QRectF target(QPointF(0, legend::size().height()), area.size());
    map.render(&painter, target, area, Qt::KeepAspectRatio);
}

bool writeSvg(QGraphicsScene& map, QSaveFile& file) {
    const QSize size = pictureSize(map);
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(tr("Mesh map"));
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    paint(map, painter, size);
    return painter.end();
}

bool writePng(QGraphicsScene& map, QSaveFile& file) {
    const QSize size = pictureSize(map);
    QImage image(size, QImage::Format_ARGB32);
    if (image.isNull()) return false;  // too large to hold
    QPainter painter(&image);
    paint(map, painter, size);
    painter.end();
    return image.save(&file, "PNG");
}

}  // namespace

Format formatOf(const QString& path) {
    return path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) ? Format::Svg : Format::Png;
}

QString save(QGraphicsScene& map, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    const bool drawn = formatOf(path) == Format::Svg ? writeSvg(map, file) : writePng(map, file);
    if (!drawn || file.error() != QFileDevice::NoError) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : tr("the picture could not be drawn");
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) return file.errorString();
    return {};
}

}  // namespace meshapp::picture
