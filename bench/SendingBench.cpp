// Figure 7: continuous sending with "1000ms". The real window with its real timer sends
// "01 02" again and again; the far end of the pty notes when each request arrives. The
// design gives one send every 11 ticks, 1.1 s.
//
//   bench_sending [--quick]     100 gaps, or 20 with --quick (2 with --short)

#include <poll.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QTextEdit>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "CMeshcfgApp.h"
#include "CMeshcfgDlg.h"
#include "ShortRun.h"
#include "Stats.h"
#include "Table.h"
#include "WindowBench.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kGaps = 100;
constexpr int kQuickGaps = 20;
constexpr int kShortGaps = 2;
constexpr double kDesignGapMs = 1100;
// Bytes closer than this belong to one request.
constexpr auto kBurstGap = std::chrono::milliseconds(300);

// Notes the arrival of the first byte of each request on the far end, on its own thread.
class ArrivalLog {
  public:
    ArrivalLog(int master, int wanted, QEventLoop& loop)
        : m_master(master), m_wanted(wanted), m_loop(loop), m_thread(&ArrivalLog::run, this) {}
    ~ArrivalLog() { m_thread.join(); }
    std::vector<Clock::time_point> arrivals() {
        std::lock_guard lock(m_mutex);
        return m_arrivals;
    }

  private:
    void run() {
        Clock::time_point lastByte{};
        unsigned char bytes[256];
        for (;;) {
            pollfd entry{m_master, POLLIN, 0};
            if (::poll(&entry, 1, 5000) <= 0) break;  // the window stopped sending
            if (::read(m_master, bytes, sizeof bytes) <= 0) continue;
            const Clock::time_point now = Clock::now();
            const bool first = now - lastByte > kBurstGap;
            lastByte = now;
            if (!first) continue;
            std::lock_guard lock(m_mutex);
            m_arrivals.push_back(now);
            if (static_cast<int>(m_arrivals.size()) == m_wanted) break;
        }
        QMetaObject::invokeMethod(&m_loop, &QEventLoop::quit, Qt::QueuedConnection);
    }

    int m_master;
    int m_wanted;
    QEventLoop& m_loop;
    std::mutex m_mutex;
    std::vector<Clock::time_point> m_arrivals;
    std::thread m_thread;
};

}  // namespace

int main(int argc, char** argv) {
    const bool brief = takeShortRun(argc, argv);
    app::CMeshcfgApp app(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int gaps = brief ? kShortGaps : quick ? kQuickGaps : kGaps;
    PortLine line;
    app::CMeshcfgDlg dlg;
    dlg.show();
    if (!openAliasPort(dlg)) {
        std::fprintf(stderr, "bench_sending: COM%d did not open\n", kAliasPort);
        return 1;
    }
    dlg.item<QTextEdit>(res::kIdData)->setPlainText(QStringLiteral("01 02"));
    dlg.item<QComboBox>(res::kIdInterval)->setCurrentIndex(0);  // "1000ms"

    QEventLoop loop;
    std::vector<Clock::time_point> arrivals;
    {
        ArrivalLog log(line.pty().masterFd(), gaps + 1, loop);
        dlg.item<QCheckBox>(res::kIdContinuous)->click();
        runEventLoop(loop, std::chrono::seconds(static_cast<int>(gaps * kDesignGapMs / 1000) + 30));
        dlg.item<QCheckBox>(res::kIdContinuous)->click();
        arrivals = log.arrivals();
    }
    std::vector<double> gapMs;
    for (std::size_t i = 1; i < arrivals.size(); ++i)
        gapMs.push_back(
            std::chrono::duration<double, std::milli>(arrivals[i] - arrivals[i - 1]).count());
    if (static_cast<int>(gapMs.size()) < gaps) {
        std::fprintf(stderr, "bench_sending: %zu of %d gaps seen\n", gapMs.size(), gaps);
        return 1;
    }
    const double meanGap = mean(gapMs);
    const std::string label = "7 continuous 1000ms, " + std::to_string(gaps) + " gaps";
    printRow({label + ", mean (ms)", fixed(meanGap), fixed(kDesignGapMs, 0) + " design",
              times(meanGap / kDesignGapMs)});
    printRow({label + ", min..max / sd (ms)",
              fixed(percentile(gapMs, 0)) + ".." + fixed(percentile(gapMs, 100)) + " / " +
                  fixed(standardDeviation(gapMs)),
              fixed(kDesignGapMs, 0) + " design", "-"});
    return 0;
}
