#include <QImage>
#include <QScrollBar>
#include <QtTest>

#include "CDrawView.h"

namespace {

bool isBlack(QRgb c) {
    return qRed(c) < 40 && qGreen(c) < 40 && qBlue(c) < 40;
}
bool isRed(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}

QImage renderView(display::CDrawView& view) {
    return view.viewport()->grab().toImage();
}

}  // namespace

class DrawViewTest : public QObject {
    Q_OBJECT

  private slots:
    void solidLines_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("black");
        // One row: trunk is the single pixel (100, 25); row line, local link and dotted line
        // make one line on y 25.
        QTest::newRow("1 trunk start") << 1 << QPoint(100, 25) << true;
        QTest::newRow("1 above trunk") << 1 << QPoint(100, 24) << false;
        QTest::newRow("1 below trunk") << 1 << QPoint(100, 26) << false;
        QTest::newRow("1 local link start") << 1 << QPoint(50, 25) << true;
        QTest::newRow("1 left of local link") << 1 << QPoint(49, 25) << false;
        QTest::newRow("1 row line end") << 1 << QPoint(199, 25) << true;
        // Two rows: trunk 25 ... 71, local link on y 49, row lines on 25 and 73.
        QTest::newRow("2 trunk middle") << 2 << QPoint(100, 60) << true;
        QTest::newRow("2 trunk last") << 2 << QPoint(100, 71) << true;
        QTest::newRow("2 trunk end excluded") << 2 << QPoint(100, 72) << false;
        QTest::newRow("2 local link") << 2 << QPoint(75, 49) << true;
        QTest::newRow("2 no link above") << 2 << QPoint(75, 48) << false;
        QTest::newRow("2 second row") << 2 << QPoint(150, 73) << true;
        QTest::newRow("2 between rows") << 2 << QPoint(150, 49) << false;
        QTest::newRow("3 local link") << 3 << QPoint(60, 73) << true;
        QTest::newRow("3 third row") << 3 << QPoint(101, 121) << true;
    }
    void solidLines() {
        QFETCH(int, rows);
        QFETCH(QPoint, point);
        QFETCH(bool, black);
        display::CDrawView view;
        view.resize(400, 300);
        view.setContent(100, 50 * rows, static_cast<unsigned>(rows));
        QCOMPARE(isBlack(renderView(view).pixel(point)), black);
    }

    void dottedLines_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("row");
        QTest::newRow("one row") << 1 << 0;
        QTest::newRow("two rows, second") << 2 << 1;
        QTest::newRow("five rows, fourth") << 5 << 3;
    }
    void dottedLines() {
        QFETCH(int, rows);
        QFETCH(int, row);
        display::CDrawView view;
        view.resize(400, 300);
        view.setContent(100, 50 * rows, static_cast<unsigned>(rows));
        const QImage image = renderView(view);
        const int y = 25 + 48 * row;
        int red = 0;
        int gaps = 0;
        for (int x = 200; x < 300; ++x) (isRed(image.pixel(x, y)) ? red : gaps) += 1;
        QVERIFY2(red > 20 && gaps > 20, qPrintable(QStringLiteral("%1/%2").arg(red).arg(gaps)));
        QVERIFY(isRed(image.pixel(200, y)));
        QVERIFY(!isRed(image.pixel(250, y - 1)));
        QVERIFY(!isBlack(image.pixel(200, y)));
    }

    void scrollSizes_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("maximum");
        QTest::newRow("forty rows") << 40 << 200 << 20 << 2000 - 300;
        QTest::newRow("ten rows") << 10 << 50 << 5 << 500 - 300;
        QTest::newRow("fits") << 3 << 15 << 1 << 0;
    }
    void scrollSizes() {
        QFETCH(int, rows);
        QFETCH(int, page);
        QFETCH(int, line);
        QFETCH(int, maximum);
        display::CDrawView view;
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.resize(400, 300 + 2 * view.frameWidth());
        view.show();  // lays out the viewport
        view.setContent(100, 50 * rows, static_cast<unsigned>(rows));
        QCOMPARE(view.totalHeight(), 50 * rows);
        QScrollBar* bar = view.verticalScrollBar();
        QCOMPARE(bar->pageStep(), 300);  // the thumb shows the visible part
        QCOMPARE(bar->singleStep(), line);
        QCOMPARE(bar->maximum(), maximum);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);  // a click below the thumb
        QCOMPARE(bar->value(), std::min(page, maximum));
        // Narrower than the surface: no horizontal scrolling.
        QCOMPARE(view.horizontalScrollBar()->maximum(), 0);
    }

    void scrollingMovesDrawingAndChildren() {
        display::CDrawView view;
        view.resize(400, 300);
        view.setContent(100, 50 * 40, 40);
        auto* child = new QWidget(view.content());
        child->setGeometry(160, 5, 40, 40);
        view.verticalScrollBar()->setValue(100);
        QCOMPARE(child->pos(), QPoint(160, -95));
        // Row 3 at content y 169 is now at viewport y 69.
        QVERIFY(isBlack(renderView(view).pixel(150, 69)));
        view.scrollToOrigin();
        QCOMPARE(child->pos(), QPoint(160, 5));
    }

    void noRowsDrawsNothing() {
        display::CDrawView view;
        view.resize(400, 300);
        view.setContent(100, 0, 0);
        const QImage image = renderView(view);
        const QRgb background = image.pixel(0, 0);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) QCOMPARE(image.pixel(x, y), background);
    }
};

QTEST_MAIN(DrawViewTest)
#include "DrawViewTest.moc"
