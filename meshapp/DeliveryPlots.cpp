#include "DeliveryPlots.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>

namespace meshapp {

namespace {

constexpr double kMostTickLabels = 6;
const QColor kBarColor(0x4a, 0x7e, 0xbb);
// One colour for each plotted pair, told apart at a glance.
const std::array<QColor, DeliveryPlots::kPlottedPairs> kPairColors{
    QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e), QColor(0x2c, 0xa0, 0x2c),
    QColor(0xd6, 0x27, 0x28), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b)};

QChartView* chartView(const QString& title, QWidget* parent) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    auto* view = new QChartView(chart, parent);
    view->setFrameShape(QFrame::NoFrame);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(240, 120);
    return view;
}

// Labels from `from` on, every round multiple of `unit` that keeps them few over `span`;
// returns that step.
double setRoundTicks(QValueAxis& axis, double from, double unit, double span) {
    const double step = unit * delivery::roundStepAtLeast(span / unit / kMostTickLabels);
    axis.setTickType(QValueAxis::TicksDynamic);
    axis.setTickAnchor(from);
    axis.setTickInterval(step);
    axis.setLabelFormat(QStringLiteral("%.0f"));
    return step;
}

// From 0 to the first round tick at or above `highest`.
void setRoundRange(QValueAxis& axis, double highest) {
    const double step = setRoundTicks(axis, 0, 1, highest);
    axis.setRange(0, std::ceil(highest / step) * step);
}

// The saved plots' size, whatever their size in the window.
constexpr QSize kSavedChart(800, 450);

// The chart drawn at a size of its own: laid out anew for it, then put back as it was.
QImage chartPicture(QChart& chart, const QSize& size) {
    const QRectF shown = chart.geometry();
    chart.setGeometry(QRectF(shown.topLeft(), size));
    chart.layout()->activate();
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    chart.scene()->render(&painter, QRectF(QPointF(), size), chart.geometry());
    painter.end();
    chart.setGeometry(shown);
    chart.layout()->activate();
    return picture;
}

// "■ COM200 → COM205" in the pair's colour, never broken inside, so that the legend wraps
// between whole names.
QString legendEntry(const QString& name, const QColor& color) {
    return QStringLiteral("<span style=\"color:%1\">&#9632;</span>&nbsp;%2")
        .arg(color.name(), name.toHtmlEscaped().replace(u' ', QStringLiteral("&nbsp;")));
}

}  // namespace

DeliveryPlots::DeliveryPlots(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildLatencyPlot());
    layout->addWidget(buildHistogram());
    refresh();
}

// The chart's own legend cuts long names to fit one row or column: the pairs are named in a
// label under it instead, which wraps.
QWidget* DeliveryPlots::buildLatencyPlot() {
    m_latencyPanel = new QWidget(this);
    m_latencyPanel->setAutoFillBackground(true);
    m_latencyPanel->setBackgroundRole(QPalette::Base);
    auto* column = new QVBoxLayout(m_latencyPanel);
    column->setContentsMargins(0, 0, 0, 4);
    column->setSpacing(0);
    m_latencyView = chartView(tr("One-way latency over time"), m_latencyPanel);
    column->addWidget(m_latencyView, 1);
    m_pairLegend = new QLabel(m_latencyPanel);
    m_pairLegend->setWordWrap(true);
    m_pairLegend->setAlignment(Qt::AlignCenter);
    m_pairLegend->setTextFormat(Qt::RichText);
    column->addWidget(m_pairLegend);

    QChart* latency = m_latencyView->chart();
    m_timeAxis = new QValueAxis(latency);
    m_timeAxis->setTitleText(tr("s since the start"));
    m_latencyAxis = new QValueAxis(latency);
    m_latencyAxis->setTitleText(tr("ms"));
    latency->addAxis(m_timeAxis, Qt::AlignBottom);
    latency->addAxis(m_latencyAxis, Qt::AlignLeft);
    return m_latencyPanel;
}

// Bars on a millisecond axis: one outline running up, across and down each bar, filled below.
QWidget* DeliveryPlots::buildHistogram() {
    m_histogramView = chartView(tr("Latency histogram"), this);
    QChart* histogram = m_histogramView->chart();
    m_barOutline = new QLineSeries(histogram);
    auto* bars = new QAreaSeries(m_barOutline);
    bars->setBrush(kBarColor);
    bars->setPen(QPen(kBarColor.darker(150), 1));
    histogram->addSeries(bars);
    m_binAxis = new QValueAxis(histogram);
    m_binAxis->setTitleText(tr("one-way latency, ms"));
    m_countAxis = new QValueAxis(histogram);
    m_countAxis->setTitleText(tr("sends"));
    histogram->addAxis(m_binAxis, Qt::AlignBottom);
    histogram->addAxis(m_countAxis, Qt::AlignLeft);
    bars->attachAxis(m_binAxis);
    bars->attachAxis(m_countAxis);
    return m_histogramView;
}

void DeliveryPlots::start(const std::vector<std::string>& ports,
                          const std::vector<delivery::Pair>& pairs) {
    QChart* chart = m_latencyView->chart();
    for (QLineSeries* series : m_series) chart->removeSeries(series), delete series;
    m_series.clear();
    m_plotted.assign(pairs.begin(), pairs.begin() + std::min(pairs.size(), kPlottedPairs));
    QStringList legend;
    for (const delivery::Pair& pair : m_plotted) {
        auto* series = new QLineSeries(chart);
        series->setName(QString::fromStdString(ports[pair.from] + " → " + ports[pair.to]));
        chart->addSeries(series);
        series->setColor(kPairColors[m_series.size()]);  // over the theme's
        legend << legendEntry(series->name(), series->color());
        series->attachAxis(m_timeAxis);
        series->attachAxis(m_latencyAxis);
        m_series.push_back(series);
    }
    m_pairLegend->setText(legend.join(QStringLiteral(" &nbsp; ")));
    m_tally = {};
    m_start = delivery::Clock::now();
    m_latestS = 0;
    m_highestMs = 0;
    refresh();
}

void DeliveryPlots::add(const std::vector<delivery::Event>& events) {
    for (const delivery::Event& event : events) {
        const auto* send = std::get_if<delivery::SendOutcome>(&event);
        if (!send || send->verdict != delivery::Verdict::Delivered) continue;
        m_tally.add(send->latencyMs);
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
    setRoundRange(*m_timeAxis, std::max(1.0, m_latestS));
    setRoundRange(*m_latencyAxis, std::max(10.0, m_highestMs));

    const delivery::LatencyBins bins = delivery::chooseBins(m_tally.spread());
    QList<QPointF> outline;
    int most = 1;
    const std::vector<int> heights = m_tally.heights(bins);
    for (std::size_t bar = 0; bar < heights.size(); ++bar) {
        const double left = bins.startMs + static_cast<double>(bar * bins.widthMs);
        const double right = left + bins.widthMs;
        outline << QPointF(left, 0) << QPointF(left, heights[bar]) << QPointF(right, heights[bar])
                << QPointF(right, 0);
        most = std::max(most, heights[bar]);
    }
    m_barOutline->replace(outline);
    const double span = static_cast<double>(std::max<std::size_t>(bins.count, 1) * bins.widthMs);
    m_binAxis->setRange(bins.startMs, bins.startMs + span);
    setRoundTicks(*m_binAxis, bins.startMs, bins.widthMs, span);
    setRoundRange(*m_countAxis, most);
}

int DeliveryPlots::latencyPoints() const {
    int points = 0;
    for (const QLineSeries* series : m_series) points += series->count();
    return points;
}

QString DeliveryPlots::savePng(const QString& latencyPath, const QString& histogramPath) const {
    QImage latency = chartPicture(*m_latencyView->chart(), kSavedChart);
    // The pairs' legend under the plot, wrapped to the picture's width.
    QTextDocument legend;
    legend.setDefaultFont(m_pairLegend->font());
    legend.setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    legend.setHtml(m_pairLegend->text());
    legend.setTextWidth(kSavedChart.width());
    QImage withLegend(kSavedChart + QSize(0, static_cast<int>(std::ceil(legend.size().height()))),
                      QImage::Format_RGB32);
    withLegend.fill(Qt::white);
    QPainter painter(&withLegend);
    painter.drawImage(0, 0, latency);
    painter.translate(0, kSavedChart.height());
    legend.drawContents(&painter);
    painter.end();
    for (const auto& [picture, path] :
         {std::pair{withLegend, latencyPath},
          std::pair{chartPicture(*m_histogramView->chart(), kSavedChart), histogramPath}})
        if (!picture.save(path, "PNG")) return tr("%1 cannot be written.").arg(path);
    return {};
}

}  // namespace meshapp
