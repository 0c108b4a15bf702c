#pragma once
// The scrolling view of the map: drag or scroll to move, Ctrl and the wheel (or the window's
// zoom buttons) to zoom between kMinZoom and kMaxZoom, Fit to see the whole mesh.

#include <QGraphicsView>

namespace meshapp {

class MapView : public QGraphicsView {
    Q_OBJECT

  public:
    static constexpr double kMinZoom = 0.1;
    static constexpr double kMaxZoom = 4;
    static constexpr double kZoomStep = 1.25;

    explicit MapView(QGraphicsScene* scene, QWidget* parent = nullptr);

    double zoom() const;
    void setZoom(double zoom);
    void zoomIn() { setZoom(zoom() * kZoomStep); }
    void zoomOut() { setZoom(zoom() / kZoomStep); }
    // The whole map in the view, never larger than 100 %. The map stays fitted as the view's
    // size changes, until the user zooms.
    void fitMap();

  protected:
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void zoomTo(double zoom);

    bool m_fitted = false;
};

}  // namespace meshapp
