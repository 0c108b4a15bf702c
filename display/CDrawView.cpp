#include "CDrawView.h"

#include <QPainter>
#include <QPen>
#include <QScrollBar>
#include <algorithm>

#include "RouteGeometry.h"

namespace display {

namespace {

// The lines meet the badges: they end at a badge's edge and run through its middle.
constexpr int kLocalRight = kLocalLeft + kBadgeSize;
constexpr int kRouteRight = kRouteLeft + kBadgeSize;
constexpr unsigned kFirstRowY = kFirstRowTop + kBadgeSize / 2;
constexpr int kTrunkEndBack = 24;  // the trunk ends at kRowPitch * rows - kTrunkEndBack

// A page is a tenth of the total, a line a tenth of the page.
constexpr int kScrollDivisor = 10;

// Axis-parallel line from `from` up to, but not including, `to`.
void drawLineOpen(QPainter& painter, QPoint from, QPoint to) {
    if (from == to) return;
    const QPoint step((to.x() > from.x()) - (to.x() < from.x()),
                      (to.y() > from.y()) - (to.y() < from.y()));
    painter.drawLine(from, to - step);
}

// The bar's page step sizes its thumb, so it is the visible extent; a page of scrolling is
// applied by pageByTenth instead.
void setSteps(QScrollBar& bar, int total, int viewportExtent) {
    bar.setRange(0, std::max(0, total - viewportExtent));
    bar.setPageStep(viewportExtent);
    bar.setSingleStep(total / kScrollDivisor / kScrollDivisor);
}

// Called as a page action is taken, before the bar's value follows its slider.
void pageByTenth(QScrollBar& bar, int action, int total) {
    const int page = total / kScrollDivisor;
    if (action == QAbstractSlider::SliderPageStepAdd) bar.setSliderPosition(bar.value() + page);
    if (action == QAbstractSlider::SliderPageStepSub) bar.setSliderPosition(bar.value() - page);
}

}  // namespace

CDrawView::CDrawView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { pageByTenth(*horizontalScrollBar(), action, m_nTotalWidth); });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { pageByTenth(*verticalScrollBar(), action, m_nTotalHeight); });
}

void CDrawView::setContent(int totalWidth, int totalHeight, unsigned rowCount) {
    m_nTotalWidth = totalWidth;
    m_nTotalHeight = totalHeight;
    m_nRowCount = rowCount;
    applyScrollSizes();
    viewport()->update();
}

void CDrawView::scrollToOrigin() {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void CDrawView::applyScrollSizes() {
    const QSize extent = viewport()->size();
    setSteps(*horizontalScrollBar(), m_nTotalWidth, extent.width());
    setSteps(*verticalScrollBar(), m_nTotalHeight, extent.height());
}

void CDrawView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    applyScrollSizes();
}

void CDrawView::scrollContentsBy(int dx, int dy) {
    // The badges move with the drawing, also while the window is hidden (where
    // QWidget::scroll would leave them in place).
    const QPoint delta(dx, dy);
    for (QWidget* child : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->move(child->pos() + delta);
    viewport()->update();
}

void CDrawView::paintEvent(QPaintEvent*) {
    // Sizes are applied at every paint so that a fill's new sizes hold at its repaint.
    applyScrollSizes();
    const unsigned n = m_nRowCount;
    if (n == 0) return;

    QPainter painter(viewport());
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    const auto rowY = [](unsigned i) { return static_cast<int>(kFirstRowY + kRowPitch * i); };

    painter.setPen(QPen(Qt::black, 1));
    drawLineOpen(painter, QPoint(kTrunkX, rowY(0)),
                 QPoint(kTrunkX, static_cast<int>(kRowPitch * n) - kTrunkEndBack));
    for (unsigned i = 0; i < n; ++i) {
        drawLineOpen(painter, QPoint(kTrunkX, rowY(i)), QPoint(kRouteRight, rowY(i)));
    }
    const int localY = static_cast<int>(kRowPitch * n / 2 + 1);
    drawLineOpen(painter, QPoint(kLocalRight, localY), QPoint(kTrunkX, localY));

    QPen dotted(Qt::red, 1);
    dotted.setDashPattern({3, 3});
    painter.setPen(dotted);
    for (unsigned i = 0; i < n; ++i) {
        drawLineOpen(painter, QPoint(kRouteRight, rowY(i)), QPoint(kTargetLeft, rowY(i)));
    }
}

}  // namespace display
