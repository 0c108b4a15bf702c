#include "CShapButton.h"

#include <QFontMetrics>
#include <QPainter>

namespace display {

namespace {

// The label buffer holds 260 characters with its terminator.
constexpr qsizetype kMaxLabelLength = 259;
constexpr int kBadgeFontPixels = 14;

}  // namespace

CShapButton::CShapButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setAutoDefault(false);
}

void CShapButton::setColor(const QColor& color) {
    m_color = color;
    update();
}

QRect CShapButton::textRect(const QRect& r, const QSize& extent) {
    // Window rectangles are right/bottom exclusive; QRect's right() is inclusive.
    const int right = r.left() + r.width();
    const int bottom = r.top() + r.height();
    const int dx = (r.left() + right) / 2 - (extent.width() + 8) / 2;
    const int dy = (r.top() + bottom) / 2 - (extent.height() + 4) / 2;
    return QRect(QPoint(r.left() + dx, r.top() + dy), QPoint(right - dx - 1, bottom - dy - 1));
}

QFont CShapButton::badgeFont() {
    QFont font;
    font.setFamilies({QStringLiteral("新宋体"), QStringLiteral("NSimSun"),
                      QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW")});
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(kBadgeFontPixels);
    font.setWeight(QFont::Bold);
    return font;
}

void CShapButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintBadge(painter, rect(), m_color, text(), font());
}

void CShapButton::paintBadge(QPainter& painter, const QRect& rect, const QColor& color,
                             const QString& text, const QFont& measureFont) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // textRect's arithmetic takes the button's own rectangle, which starts at the origin.
    painter.translate(rect.topLeft());
    const QRect item(QPoint(0, 0), rect.size());

    // Stroke on pixel centres so the whole 1-pixel outline stays inside the rectangle.
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(color);
    painter.drawEllipse(QRectF(item).adjusted(0.5, 0.5, -0.5, -0.5));

    // The button measures with its own font, so a bold label may be clipped by its rectangle.
    const QString label = text.left(kMaxLabelLength);
    if (!label.isEmpty()) {
        const QFontMetrics metrics(measureFont);
        const QRect labelRect =
            textRect(item, QSize(metrics.horizontalAdvance(label), metrics.height()));
        painter.setFont(badgeFont());
        painter.setPen(Qt::white);
        painter.setClipRect(labelRect, Qt::IntersectClip);
        painter.drawText(labelRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, label);
    }
    painter.restore();
}

}  // namespace display
