#include <QImage>
#include <QPainter>
#include <QtTest>

#include "CShapButton.h"
#include "RouteWindow.h"

namespace {

constexpr QRgb kBackdrop = qRgb(255, 0, 255);

QImage render(display::CShapButton& badge) {
    QImage image(badge.size(), QImage::Format_RGB32);
    image.fill(kBackdrop);
    badge.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

int countPixels(const QImage& image, const std::function<bool(QColor)>& test) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += test(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool whitish(QColor c) {
    return c.red() > 200 && c.green() > 200 && c.blue() > 200;
}

}  // namespace

class ShapButtonTest : public QObject {
    Q_OBJECT

  private slots:
    void textRectangle_data() {
        QTest::addColumn<QRect>("item");
        QTest::addColumn<QSize>("extent");
        QTest::addColumn<QRect>("expected");  // left, top, right, bottom (exclusive)
        // dx = 20 - 15 = 5, dy = 20 - 9 = 11
        QTest::newRow("two digits") << QRect(0, 0, 40, 40) << QSize(22, 14) << QRect(5, 11, 35, 29);
        // odd extents: (21 + 8) / 2 = 14 and (15 + 4) / 2 = 9 truncate
        QTest::newRow("odd extent") << QRect(0, 0, 40, 40) << QSize(21, 15) << QRect(6, 11, 34, 29);
        // text wider than the badge: T reaches out of R
        QTest::newRow("wide label")
            << QRect(0, 0, 40, 40) << QSize(50, 14) << QRect(-9, 11, 49, 29);
        QTest::newRow("odd badge") << QRect(0, 0, 41, 37) << QSize(8, 13) << QRect(12, 10, 29, 27);
        QTest::newRow("empty text") << QRect(0, 0, 40, 40) << QSize(0, 14) << QRect(16, 11, 24, 29);
    }
    void textRectangle() {
        QFETCH(QRect, item);
        QFETCH(QSize, extent);
        QFETCH(QRect, expected);
        const QRect t = display::CShapButton::textRect(item, extent);
        QCOMPARE(t.left(), expected.left());
        QCOMPARE(t.top(), expected.top());
        QCOMPARE(t.left() + t.width(), expected.width());   // exclusive right
        QCOMPARE(t.top() + t.height(), expected.height());  // exclusive bottom
    }

    void badgeFont() {
        const QFont font = display::CShapButton::badgeFont();
        QCOMPARE(font.pixelSize(), 14);
        QCOMPARE(font.weight(), QFont::Bold);
        // A CJK face is installed, so the label face must not fall back to a Latin-only one.
        QVERIFY(QFontInfo(font).family().contains(QLatin1String("UMing")) ||
                QFontInfo(font).family() == QStringLiteral("新宋体"));
    }

    void paintsEllipse_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QRgb>("color");
        QTest::newRow("local S") << "S" << display::kLocalColor;
        QTest::newRow("route R") << "R" << display::kRouteColor;
        QTest::newRow("target D") << "D" << display::kTargetColor;
        QTest::newRow("five digits") << "12345" << display::kRouteColor;
        QTest::newRow("empty") << "" << display::kTargetColor;
    }
    void paintsEllipse() {
        QFETCH(QString, label);
        QFETCH(QRgb, color);
        display::CShapButton badge(label);
        badge.resize(40, 40);
        badge.setColor(color);
        const QImage image = render(badge);

        // Corners lie outside the ellipse and stay as they were.
        for (const QPoint corner : {QPoint(0, 0), QPoint(39, 0), QPoint(0, 39), QPoint(39, 39)})
            QCOMPARE(image.pixel(corner), kBackdrop);
        // Outline: dark pixels on the ellipse edge at the middle of each side.
        QVERIFY(qGray(image.pixel(20, 0)) < 128);
        QVERIFY(qGray(image.pixel(0, 20)) < 128);
        // The fill near the edge, away from the label.
        QCOMPARE(image.pixel(20, 4), color);
        QCOMPARE(image.pixel(20, 35), color);

        const int white = countPixels(image, whitish);
        if (label.isEmpty()) {
            QCOMPARE(white, 0);
            QCOMPARE(image.pixel(20, 20), color);
        } else {
            QVERIFY2(white > 5, qPrintable(QString::number(white)));
        }
    }

    void labelClippedToTextRect() {
        display::CShapButton badge(QStringLiteral("12345"));
        badge.resize(40, 40);
        badge.setColor(display::kTargetColor);
        const QImage image = render(badge);
        const QFontMetrics metrics(badge.font());
        const QRect t = display::CShapButton::textRect(
            badge.rect(), QSize(metrics.horizontalAdvance("12345"), metrics.height()));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!t.contains(x, y)) QVERIFY(!whitish(image.pixelColor(x, y)));
    }

    void sameLookInEveryState() {
        display::CShapButton badge(QStringLiteral("7"));
        badge.resize(40, 40);
        badge.setColor(display::kRouteColor);
        const QImage idle = render(badge);
        badge.setDown(true);
        QCOMPARE(render(badge), idle);
        badge.setDown(false);
        badge.show();
        badge.setFocus();
        QCOMPARE(render(badge), idle);
        badge.setEnabled(false);
        QCOMPARE(render(badge), idle);
    }
};

QTEST_MAIN(ShapButtonTest)
#include "ShapButtonTest.moc"
