#pragma once
// The delivery test's plots: one-way latency over the run's time for its first pairs, and the
// histogram of every latency so far, its bars chosen from the latencies' spread on a millisecond
// axis. The latency plot keeps a bounded number of points however long the run; the histogram
// a count per millisecond of latency.

#include <QWidget>
#include <string>
#include <vector>

#include "DeliveryEvents.h"
#include "LatencyBars.h"

class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QValueAxis;

namespace meshapp {

class DeliveryPlots : public QWidget {
    Q_OBJECT

  public:
    static constexpr std::size_t kPlottedPairs = 6;
    static constexpr qsizetype kPointsPerPair = 2000;  // the oldest go first

    explicit DeliveryPlots(QWidget* parent = nullptr);

    void start(const std::vector<std::string>& ports, const std::vector<delivery::Pair>& pairs);
    void add(const std::vector<delivery::Event>& events);
    // Redraws the histogram; the latency plot grows as sends arrive.
    void refresh();

    QChartView& latencyView() const { return *m_latencyView; }
    QChartView& histogramView() const { return *m_histogramView; }
    int latencyPoints() const;
    // Empty when saved, else why not: the latency plot with its legend, and the histogram.
    QString savePng(const QString& latencyPath, const QString& histogramPath) const;

  private:
    QWidget* buildLatencyPlot();
    QWidget* buildHistogram();

    QWidget* m_latencyPanel = nullptr;  // the plot and its legend
    QLabel* m_pairLegend = nullptr;     // the pairs' colours and names, wrapped to its width
    QChartView* m_latencyView = nullptr;
    QChartView* m_histogramView = nullptr;
    QValueAxis* m_timeAxis = nullptr;
    QValueAxis* m_latencyAxis = nullptr;
    QValueAxis* m_binAxis = nullptr;
    QValueAxis* m_countAxis = nullptr;
    QLineSeries* m_barOutline = nullptr;
    std::vector<delivery::Pair> m_plotted;
    std::vector<QLineSeries*> m_series;
    delivery::LatencyTally m_tally;
    delivery::Clock::time_point m_start{};
    double m_latestS = 0;
    double m_highestMs = 0;
};

}  // namespace meshapp
