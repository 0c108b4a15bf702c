// The mesh window's delivery test against the example lab, offscreen: the run goes on while the
// window keeps answering, the matrix shows the linked pair whole and the isolated module at
// nothing, the plots fill, and the results save as CSV beside the plots' PNGs.

#include <QChartView>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "DeliveryMatrix.h"
#include "DeliveryPlots.h"
#include "DeliveryTestPane.h"
#include "MeshWindow.h"
#include "PortChecklist.h"
#include "RunningLab.h"

namespace {

constexpr int kWaitMs = 60000;

}  // namespace

class LabWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_lab = std::make_unique<RunningLab>(2);
        QVERIFY(m_lab->ready());
    }
    void cleanup() { QVERIFY(std::exchange(m_lab, nullptr)->stop()); }

    void runsTheTestAndShowsIt();

  private:
    std::unique_ptr<RunningLab> m_lab;
};

void LabWindowTest::runsTheTestAndShowsIt() {
    meshapp::MeshWindow window(nullptr);
    window.refreshPorts();
    for (const char* port : {"COM200", "COM201", "COM202", "COM203", "COM204"})
        window.ports().setTicked(port, true);
    window.resize(1280, 900);
    window.show();
    window.showDeliveryTest();
    meshapp::DeliveryTestPane& test = window.deliveryTest();
    test.pairs().setText("COM200:COM201,COM202:COM203,COM203:COM204");
    test.count().setValue(40);
    test.interval().setValue(20);
    test.start();
    QVERIFY2(test.running(), qPrintable(test.status()));

    // The window thread stays free: a timer set for 50 ms fires about then, run after run.
    QElapsedTimer slowest;
    qint64 longestGapMs = 0;
    QElapsedTimer sinceLast;
    sinceLast.start();
    QTimer beat;
    connect(&beat, &QTimer::timeout,
            [&] { longestGapMs = std::max(longestGapMs, sinceLast.restart()); });
    beat.start(50);
    QTRY_VERIFY_WITH_TIMEOUT(test.plots().latencyPoints() > 10, kWaitMs);
    const QImage during = window.grab().toImage();
    QTRY_VERIFY_WITH_TIMEOUT(!test.running(), kWaitMs);
    beat.stop();
    QVERIFY2(longestGapMs < 1000, qPrintable(QString::number(longestGapMs)));
    QVERIFY2(test.status() == "Done.", qPrintable(test.status()));

    const meshapp::DeliveryMatrix& matrix = test.matrix();
    QCOMPARE(matrix.rowCount(), 5);
    QCOMPARE(matrix.item(0, 1)->text(), QStringLiteral("100.0%"));  // a link that drops nothing
    QCOMPARE(matrix.item(3, 4)->text(), QStringLiteral("0.0%"));    // nobody hears node 5
    QCOMPARE(matrix.item(3, 4)->background().color(), meshapp::DeliveryMatrix::colorOf(0.0));
    QVERIFY(matrix.item(0, 1)->toolTip().contains("Sent 40, delivered 40"));
    QVERIFY(matrix.item(1, 0) == nullptr);  // not a tested pair

    const QTemporaryDir folder;
    const QString csv = folder.filePath("delivery.csv");
    QCOMPARE(test.saveResults(csv), QString());
    QFile saved(csv);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = saved.readAll().trimmed().split('\n');
    QCOMPARE(rows.size(), 4);
    QVERIFY2(rows[1].startsWith("COM200,COM201,40,40,"), rows[1].constData());
    for (const char* plot : {"delivery-latency.png", "delivery-histogram.png"}) {
        QImage picture;
        QVERIFY(picture.load(folder.filePath(plot), "PNG"));
        QVERIFY(picture.width() > 100);
    }
    const QString shots = qEnvironmentVariable("MESHCFG_SHOTS");
    if (!shots.isEmpty()) {
        during.save(shots + "/delivery-during.png");
        window.grab().save(shots + "/delivery-done.png");
    }
}

QTEST_MAIN(LabWindowTest)
#include "LabWindowTest.moc"
