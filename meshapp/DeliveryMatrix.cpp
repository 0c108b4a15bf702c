#include "DeliveryMatrix.h"

#include <QHeaderView>

namespace meshapp {

DeliveryMatrix::DeliveryMatrix(QWidget* parent) : QTableWidget(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // As wide and high as its cells, so that a lab's matrix shows whole without scrolling.
    setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
}

QColor DeliveryMatrix::colorOf(std::optional<double> share) {
    if (!share) return QColor(0xd0, 0xd0, 0xd0);
    // Red at 0% through yellow to green at 100%, light enough for black text.
    return QColor::fromHsvF(static_cast<float>(*share) / 3.0f, 0.45f, 1.0f);
}

void DeliveryMatrix::setPorts(const std::vector<std::string>& ports) {
    clear();
    setRowCount(static_cast<int>(ports.size()));
    setColumnCount(static_cast<int>(ports.size()));
    QStringList names;
    for (const std::string& port : ports) names << QString::fromStdString(port);
    setHorizontalHeaderLabels(names);
    setVerticalHeaderLabels(names);
}

void DeliveryMatrix::showFigures(const delivery::Summary& summary) {
    for (const delivery::PairSummary& pair : summary.pairs) {
        const auto share = pair.deliveredShare();
        auto* cell = new QTableWidgetItem(share ? QString::number(*share * 100, 'f', 1) + u'%'
                                                : QStringLiteral("?"));
        cell->setTextAlignment(Qt::AlignCenter);
        cell->setBackground(colorOf(share));
        cell->setForeground(Qt::black);
        QString tip = tr("Sent %1, delivered %2, waiting %3\nDuplicates %4, late %5, out of order "
                         "%6\nFalse ok %7, false fail %8")
                          .arg(pair.sent)
                          .arg(pair.delivered)
                          .arg(pair.pending)
                          .arg(pair.duplicates)
                          .arg(pair.late)
                          .arg(pair.outOfOrder)
                          .arg(pair.falseOk)
                          .arg(pair.falseFail);
        if (pair.latencyMs)
            tip += tr("\nLatency ms: median %1, p95 %2, max %3")
                       .arg(pair.latencyMs->p50, 0, 'f', 1)
                       .arg(pair.latencyMs->p95, 0, 'f', 1)
                       .arg(pair.latencyMs->max, 0, 'f', 1);
        cell->setToolTip(tip);
        setItem(static_cast<int>(pair.from), static_cast<int>(pair.to), cell);
    }
}

}  // namespace meshapp
