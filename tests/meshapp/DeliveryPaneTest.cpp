// The delivery test's pane in the mesh window, filled with the figures of a lab of six modules
// at the window's own size and larger: the matrix shows every cell without scrolling, and the
// latency plot names each pair whole, with its direction, where it can be read.

#include <QChartView>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QScrollBar>
#include <QTextDocument>
#include <QtTest>

#include "DeliveryMatrix.h"
#include "DeliveryPlots.h"
#include "DeliveryTestPane.h"
#include "MeshWindow.h"

namespace {

const std::vector<std::string> kPorts{"COM200", "COM201", "COM202", "COM203", "COM204", "COM205"};

// The far ends both ways first: names that differ only in their direction.
std::vector<delivery::Pair> plottedPairs() {
    std::vector<delivery::Pair> pairs{{0, 5}, {5, 0}};
    for (const delivery::Pair& pair : delivery::allPairs(kPorts.size()))
        if (pair != pairs[0] && pair != pairs[1]) pairs.push_back(pair);
    return pairs;
}

delivery::Summary everyPairWhole() {
    delivery::Summary summary;
    for (const delivery::Pair& pair : delivery::allPairs(kPorts.size()))
        summary.pairs.push_back({.from = pair.from, .to = pair.to, .sent = 100, .delivered = 100});
    return summary;
}

std::vector<delivery::Event> deliveries(const std::vector<delivery::Pair>& pairs) {
    std::vector<delivery::Event> events;
    const auto start = delivery::Clock::now();
    for (std::uint32_t send = 0; send < 20; ++send)
        for (const delivery::Pair& pair : pairs)
            events.push_back(delivery::SendOutcome{.pair = pair,
                                                   .sequence = send,
                                                   .sentAt = start + std::chrono::seconds(send),
                                                   .latencyMs = 105.0 + send,
                                                   .verdict = delivery::Verdict::Delivered});
    return events;
}

// Every text the latency plot shows: the chart's own (title, axes, legend) and its labels'.
QStringList textsShown(const meshapp::DeliveryPlots& plots) {
    QStringList texts;
    for (const QGraphicsItem* item : plots.latencyView().scene()->items())
        if (const auto* text = dynamic_cast<const QGraphicsTextItem*>(item);
            text && text->isVisible())
            texts << text->toPlainText();
    for (const QLabel* label : plots.findChildren<QLabel*>()) {
        if (!label->isVisible()) continue;
        QTextDocument shown;
        shown.setHtml(label->text());
        texts << shown.toPlainText().replace(QChar::Nbsp, u' ');
        if (label->heightForWidth(label->width()) > label->height()) texts << "(cut)";
    }
    return texts;
}

}  // namespace

class DeliveryPaneTest : public QObject {
    Q_OBJECT

  private slots:
    void showsALabWhole_data();
    void showsALabWhole();
};

void DeliveryPaneTest::showsALabWhole_data() {
    QTest::addColumn<QSize>("size");  // empty: the window's own
    QTest::newRow("own size") << QSize();
    QTest::newRow("1600x1000") << QSize(1600, 1000);
}

void DeliveryPaneTest::showsALabWhole() {
    QFETCH(QSize, size);
    meshapp::MeshWindow window(nullptr);
    if (!size.isEmpty()) window.resize(size);
    window.showDeliveryTest();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    meshapp::DeliveryTestPane& pane = window.deliveryTest();
    pane.matrix().setPorts(kPorts);
    pane.matrix().showFigures(everyPairWhole());
    const std::vector<delivery::Pair> pairs = plottedPairs();
    pane.plots().start(kPorts, pairs);
    pane.plots().add(deliveries(pairs));
    pane.plots().refresh();
    QCoreApplication::processEvents();

    QVERIFY(!pane.matrix().horizontalScrollBar()->isVisible());
    QVERIFY(!pane.matrix().verticalScrollBar()->isVisible());
    const QStringList texts = textsShown(pane.plots());
    QVERIFY2(!texts.contains("(cut)"), qPrintable(texts.join(u'|')));
    for (std::size_t i = 0; i < meshapp::DeliveryPlots::kPlottedPairs; ++i) {
        const QString name =
            QString::fromStdString(kPorts[pairs[i].from] + " → " + kPorts[pairs[i].to]);
        QVERIFY2(texts.join(u'|').contains(name), qPrintable(name + " in " + texts.join(u'|')));
    }
}

QTEST_MAIN(DeliveryPaneTest)
#include "DeliveryPaneTest.moc"
