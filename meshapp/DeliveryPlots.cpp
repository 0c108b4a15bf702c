#include "DeliveryPlots.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>

namespace {

QChartView* chartView(const QString& title, QWidget* parent) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(240, 120);
    return view;
}

}  // namespace

DeliveryPlots::DeliveryPlots(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_latencyView = chartView(tr("One-way latency over time"), this);
    m_histogramView = chartView(tr("Latency histogram"), this);
    layout->addWidget(m_latencyView);
    layout->addWidget(m_histogramView);

    QChart* latency = m_latencyView->chart();
    m_timeAxis = new QValueAxis(latency);
    m_timeAxis->setTitleText(tr("s since the start"));
    m_latencyAxis = new QValueAxis(latency);
    m_latencyAxis->setTitleText(tr("ms"));
    latency->addAxis(m_timeAxis, Qt::AlignBottom);
    latency->addAxis(m_latencyAxis, Qt::AlignLeft);

    QChart* histogram = m_histogramView->chart();
    auto* series = new QBarSeries(histogram);
    m_bars = new QBarSet(tr("sends"), series);
    series->append(m_bars);
    histogram->addSeries(series);
    auto* bins = new QBarCategoryAxis(histogram);
    QStringList labels;
    for (std::size_t bin = 0; bin < kBins; ++bin)
        labels << QString::number(static_cast<int>(bin) * kBinMs) +
                      (bin + 1 == kBins ? QStringLiteral("+") : QString());
    bins->append(labels);
    bins->setTitleText(tr("ms, from the bar's start"));
    bins->setLabelsAngle(-90);
    QFont small = bins->labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    bins->setLabelsFont(small);
    m_countAxis = new QValueAxis(histogram);
    histogram->addAxis(bins, Qt::AlignBottom);
    histogram->addAxis(m_countAxis, Qt::AlignLeft);
    series->attachAxis(bins);
    series->attachAxis(m_countAxis);
    histogram->legend()->hide();
    refresh();
}

void DeliveryPlots::start(const std::vector<std::string>& ports,
                          const std::vector<delivery::Pair>& pairs) {
    QChart* chart = m_latencyView->chart();
    for (QLineSeries* series : m_series) chart->removeSeries(series), delete series;
    m_series.clear();
    m_plotted.assign(pairs.begin(), pairs.begin() + std::min(pairs.size(), kPlottedPairs));
    for (const delivery::Pair& pair : m_plotted) {
        auto* series = new QLineSeries(chart);
        series->setName(QString::fromStdString(ports[pair.from] + " → " + ports[pair.to]));
        chart->addSeries(series);
        series->attachAxis(m_timeAxis);
        series->attachAxis(m_latencyAxis);
        m_series.push_back(series);
    }
    m_counts.fill(0);
    m_start = delivery::Clock::now();
    m_latestS = 0;
    m_highestMs = 0;
    refresh();
}

void DeliveryPlots::add(const std::vector<delivery::Event>& events) {
    for (const delivery::Event& event : events) {
        const auto* send = std::get_if<delivery::SendOutcome>(&event);
        if (!send || send->verdict != delivery::Verdict::Delivered) continue;
        const std::size_t bin =
            std::min(static_cast<std::size_t>(send->latencyMs / kBinMs), kBins - 1);
        ++m_counts[bin];
        m_highestMs = std::max(m_highestMs, send->latencyMs);
        const double atS = std::chrono::duration<double>(send->sentAt - m_start).count();
        m_latestS = std::max(m_latestS, atS);
        const auto plotted = std::find(m_plotted.begin(), m_plotted.end(), send->pair);
        if (plotted == m_plotted.end()) continue;
        QLineSeries* series = m_series[static_cast<std::size_t>(plotted - m_plotted.begin())];
        if (series->count() >= kPointsPerPair) series->removePoints(0, series->count() / 10);
        series->append(atS, send->latencyMs);
    }
}

void DeliveryPlots::refresh() {
    m_timeAxis->setRange(0, std::max(1.0, m_latestS));
    m_latencyAxis->setRange(0, std::max(10.0, m_highestMs * 1.1));
    QList<qreal> values;
    int most = 0;
    for (const int count : m_counts) {
        values << count;
        most = std::max(most, count);
    }
    if (m_bars->count() == 0)
        m_bars->append(values);
    else
        for (qsizetype i = 0; i < values.size(); ++i) m_bars->replace(i, values[i]);
    m_countAxis->setRange(0, std::max(1, most));
}

int DeliveryPlots::latencyPoints() const {
    int points = 0;
    for (const QLineSeries* series : m_series) points += series->count();
    return points;
}

QString DeliveryPlots::savePng(const QString& latencyPath, const QString& histogramPath) const {
    for (const auto& [view, path] :
         {std::pair{m_latencyView, latencyPath}, std::pair{m_histogramView, histogramPath}})
        if (!view->grab().save(path, "PNG")) return tr("%1 cannot be written.").arg(path);
    return {};
}
