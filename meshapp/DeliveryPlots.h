#pragma once
// The delivery test's plots: one-way latency over the run's time for its first pairs, and the
// histogram of every latency so far. Both keep a bounded number of values however long the run.

#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "DeliveryEvents.h"

class QChart;
class QChartView;
class QLineSeries;
class QBarSet;
class QValueAxis;
class QBarCategoryAxis;

class DeliveryPlots : public QWidget {
    Q_OBJECT

  public:
    static constexpr std::size_t kPlottedPairs = 6;
    static constexpr qsizetype kPointsPerPair = 2000;  // the oldest go first
    static constexpr int kBinMs = 25;
    static constexpr std::size_t kBins = 40;  // the last one holds everything beyond

    explicit DeliveryPlots(QWidget* parent = nullptr);

    void start(const std::vector<std::string>& ports, const std::vector<delivery::Pair>& pairs);
    void add(const std::vector<delivery::Event>& events);
    // Redraws the histogram; the latency plot grows as sends arrive.
    void refresh();

    QChartView& latencyView() const { return *m_latencyView; }
    QChartView& histogramView() const { return *m_histogramView; }
    int latencyPoints() const;
    // Empty when saved, else why not.
    QString savePng(const QString& latencyPath, const QString& histogramPath) const;

  private:
    QChartView* m_latencyView = nullptr;
    QChartView* m_histogramView = nullptr;
    QValueAxis* m_timeAxis = nullptr;
    QValueAxis* m_latencyAxis = nullptr;
    QValueAxis* m_countAxis = nullptr;
    QBarSet* m_bars = nullptr;
    std::vector<delivery::Pair> m_plotted;
    std::vector<QLineSeries*> m_series;
    std::array<int, kBins> m_counts{};
    delivery::Clock::time_point m_start{};
    double m_latestS = 0;
    double m_highestMs = 0;
};
