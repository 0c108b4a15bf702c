#pragma once
// What the map's badges, colours and line styles mean, drawn above the map and at the top of a
// saved picture alike.

#include <QSizeF>
#include <QWidget>

class QPainter;

namespace meshapp {

namespace legend {

QSizeF size();
void paint(QPainter& painter, const QPointF& topLeft);

}  // namespace legend

class MapLegend : public QWidget {
    Q_OBJECT

  public:
    explicit MapLegend(QWidget* parent = nullptr);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace meshapp
