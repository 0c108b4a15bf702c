// Figure 8: the window against a far end that takes no data. The longest stall of the event
// loop while 20 Read requests are pressed, beside one request written on the window thread
// itself, as the window sent them before it had a writer.

#include <termios.h>

#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "CMeshcfgApp.h"
#include "CMeshcfgDlg.h"
#include "QZSerial.h"
#include "ShortRun.h"
#include "Table.h"
#include "WindowBench.h"

namespace {

constexpr int kRequests = 20;
constexpr int kShortRequests = 3;
constexpr auto kPressEvery = std::chrono::milliseconds(10);
constexpr auto kWatchAfter = std::chrono::milliseconds(1500);
constexpr double kTargetMs = 20;
constexpr std::uint8_t kReadFrame[] = {0x01, 0x00, 0x02, 0x0D, 0xA5, 0xA5, 0, 0, 0,
                                       0,    0,    0,    0,    0,    0,    0, 0, 0x0E};

// The longest gap between the ticks of a 1 ms timer while work runs in the same loop.
class StallMeter {
  public:
    StallMeter() {
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            m_longestMs = std::max(m_longestMs, double(m_sinceLast.nsecsElapsed()) / 1e6);
            m_sinceLast.restart();
        });
        m_tick.setTimerType(Qt::PreciseTimer);
        m_sinceLast.start();
        m_tick.start(1);
    }
    double longestMs() const { return m_longestMs; }

  private:
    QTimer m_tick;
    QElapsedTimer m_sinceLast;
    double m_longestMs = 0;
};

// One request every kPressEvery, each by the Read button's handler.
double stallWhileRequesting(CMeshcfgDlg& dlg, int requests) {
    StallMeter meter;
    for (int i = 0; i < requests; ++i)
        QTimer::singleShot(kPressEvery * (i + 1), &dlg, &CMeshcfgDlg::OnRead);
    runEventLoopFor(kPressEvery * requests + kWatchAfter);
    return meter.longestMs();
}

double stallOfOneWriteOnTheWindowThread(CMeshcfgDlg& dlg) {
    StallMeter meter;
    QTimer::singleShot(kPressEvery, &dlg, [&dlg] {
        dlg.serial()->Write(kReadFrame, static_cast<unsigned>(std::size(kReadFrame)));
    });
    runEventLoopFor(kPressEvery + std::chrono::seconds(4));
    return meter.longestMs();
}

}  // namespace

int main(int argc, char** argv) {
    const int requests = takeShortRun(argc, argv) ? kShortRequests : kRequests;
    CMeshcfgApp app(argc, argv);
    PortLine line;
    CMeshcfgDlg dlg;
    dlg.show();
    runEventLoopFor(std::chrono::seconds(1));
    if (!openAliasPort(dlg)) {
        std::fprintf(stderr, "bench_stall: COM%d did not open\n", kAliasPort);
        return 1;
    }
    // The line stops taking data, as a far end that never reads leaves it.
    ::tcflow(line.pty().slaveFd(), TCOOFF);
    const double queued = stallWhileRequesting(dlg, requests);
    dlg.OnOpenClose();  // Close discards the requests still queued
    if (!openAliasPort(dlg)) return 1;
    ::tcflow(line.pty().slaveFd(), TCOOFF);
    const double direct = stallOfOneWriteOnTheWindowThread(dlg);
    printRow({"8 longest stall, 20 requests, line not read (ms)", fixed(queued),
              fixed(direct) + " write in window", times(queued / direct), "<= 20 ms",
              metText(queued <= kTargetMs)});
    return 0;
}
