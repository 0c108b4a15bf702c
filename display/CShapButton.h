#pragma once
// Node badge: a push button that paints itself as an ellipse in its role colour with its label
// in white bold type. It looks the same in every state and acts on no click.

#include <QColor>
#include <QPushButton>

class QPainter;

namespace display {

class CShapButton : public QPushButton {
    Q_OBJECT

  public:
    explicit CShapButton(const QString& text, QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

    // The rectangle the label is drawn in: about textExtent + (8, 4), centred in itemRect,
    // with the integer arithmetic of the badge's drawing (halves truncated toward zero).
    static QRect textRect(const QRect& itemRect, const QSize& textExtent);

    // The label font: bold, 14 pixels, the badge face or an installed CJK serif face.
    static QFont badgeFont();

    // The badge as the button paints it, for drawings that are not buttons (the mesh map): the
    // label is placed as if measured with measureFont and clipped there.
    static void paintBadge(QPainter& painter, const QRect& rect, const QColor& color,
                           const QString& label, const QFont& measureFont);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor m_color = Qt::black;
};

}  // namespace display
