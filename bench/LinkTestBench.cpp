// The link test after a week of continuous sending: 1,000,000 round trips fed straight into
// the link statistics, then the refresh of the figures the window shows once a second as the
// Continuous box's tooltip, beside the way it was done before: every round trip kept, copied
// and sorted at each refresh.
//
//   bench_linktest [--short]     1,000,000 round trips, or 10,000

#include <QCheckBox>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "CMeshcfgApp.h"
#include "CMeshcfgDlg.h"
#include "LinkStatistics.h"
#include "ShortRun.h"
#include "Stats.h"
#include "Table.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRoundTrips = 1000000;
constexpr int kShortRoundTrips = 10000;
constexpr int kRefreshes = 15;
constexpr double kTargetMs = 20;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The baseline: every round trip kept; each refresh copies and sorts them all.
class KeptRoundTrips {
  public:
    void add(double ms) { m_all.push_back(ms); }
    std::string summary() const {
        std::vector<double> sorted = m_all;
        std::sort(sorted.begin(), sorted.end());
        const auto rank = [&sorted](double p) {
            return sorted[static_cast<std::size_t>(std::ceil(p * double(sorted.size()))) - 1];
        };
        return "round trip min " + std::to_string(std::llround(sorted.front())) + " ms, median " +
               std::to_string(std::llround(rank(0.5))) + " ms, max " +
               std::to_string(std::llround(sorted.back())) + " ms";
    }

  private:
    std::vector<double> m_all;
};

// Median milliseconds of setting the tooltip to what summary gives, over kRefreshes.
template <class Summary>
double refreshMs(QCheckBox& box, const Summary& summary) {
    std::vector<double> samples;
    for (int i = 0; i < kRefreshes; ++i) {
        const Clock::time_point start = Clock::now();
        box.setToolTip(QString::fromStdString(summary()));
        samples.push_back(msSince(start));
    }
    return percentile(samples, 50);
}

}  // namespace

int main(int argc, char** argv) {
    const int roundTrips = takeShortRun(argc, argv) ? kShortRoundTrips : kRoundTrips;
    app::CMeshcfgApp app(argc, argv);
    app::CMeshcfgDlg dlg;
    dlg.stopTimer();
    auto* box = dlg.item<QCheckBox>(res::kIdContinuous);

    // Round trips of a mesh whose links take about 1.4 s.
    std::mt19937 random(3);
    std::lognormal_distribution<double> spread(std::log(1400.0), 0.3);
    std::vector<double> trips(roundTrips);
    for (double& ms : trips) ms = spread(random);

    proto::LinkStatistics statistics;
    Clock::time_point start = Clock::now();
    for (const double ms : trips) {
        statistics.countSent();
        statistics.countConfirmation(0x00, ms);
    }
    const double feedNs = msSince(start) * 1e6 / roundTrips;
    KeptRoundTrips kept;
    start = Clock::now();
    for (const double ms : trips) kept.add(ms);
    const double keptFeedNs = msSince(start) * 1e6 / roundTrips;

    const double now = refreshMs(*box, [&statistics] { return statistics.summary(); });
    const double before = refreshMs(*box, [&kept] { return kept.summary(); });
    const std::string label = std::to_string(roundTrips) + " round trips";
    printRow({"link test tooltip refresh after " + label + ", p50 (ms)", fixed(now, 3),
              fixed(before, 3) + " copy and sort", times(now / before), "<= 20 ms",
              metText(now <= kTargetMs)});
    printRow({"link test, time to count one round trip (ns)", fixed(feedNs),
              fixed(keptFeedNs) + " kept in a list", times(feedNs / keptFeedNs)});
    return 0;
}
