#pragma once
// The scrolling surface of the route list window: draws the trunk, the row lines and the local
// link in black and the links to the target nodes dotted red, in content pixels. The node
// badges are children of its viewport and move with the content when it scrolls.

#include <QAbstractScrollArea>

namespace display {

class CDrawView : public QAbstractScrollArea {
    Q_OBJECT

  public:
    explicit CDrawView(QWidget* parent = nullptr);

    // New content: scroll size in pixels and number of route rows; repaints the surface.
    void setContent(int totalWidth, int totalHeight, unsigned rowCount);
    int totalWidth() const { return m_nTotalWidth; }
    int totalHeight() const { return m_nTotalHeight; }
    unsigned rowCount() const { return m_nRowCount; }

    void scrollToOrigin();

    // The widget that node badges are created on.
    QWidget* content() const { return viewport(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void applyScrollSizes();

    int m_nTotalWidth = 0;
    int m_nTotalHeight = 0;
    unsigned m_nRowCount = 0;
};

}  // namespace display
