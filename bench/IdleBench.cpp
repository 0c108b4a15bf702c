// Figure 1: what the tool costs left open all day. The main window is shown with its timer
// running; CPU time over 10 s with the port open on a silent pty, with it closed (the
// baseline), and closed by a hang-up while the window watches for the device to return.

#include <QBasicTimer>
#include <algorithm>
#include <cstdio>

#include "CMeshcfgApp.h"
#include "CMeshcfgDlg.h"
#include "ProcStat.h"
#include "QZSerial.h"
#include "ShortRun.h"
#include "Table.h"
#include "Ticks.h"
#include "WindowBench.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kWindow = std::chrono::seconds(10);
constexpr auto kShortWindow = std::chrono::milliseconds(200);
constexpr auto kSettle = std::chrono::seconds(1);
constexpr double kTargetMsPerSecond = 1.0;

struct IdleCost {
    double processMsPerSecond = 0;
    double portThreadsMsPerSecond = 0;
};

double msPerSecond(bench::CpuTime cpu, Clock::duration wall) {
    return std::chrono::duration<double, std::milli>(cpu).count() /
           std::chrono::duration<double>(wall).count();
}

bench::CpuTime threadsCpuTime(const std::vector<pid_t>& threads) {
    bench::CpuTime sum{};
    for (pid_t tid : threads) sum += bench::threadCpuTime(tid);
    return sum;
}

// portThreads: the port's reader and writer, none while it is closed.
IdleCost measure(std::chrono::milliseconds window, const std::vector<pid_t>& portThreads = {}) {
    const Clock::time_point start = Clock::now();
    const bench::CpuTime processStart = bench::processCpuTime();
    const bench::CpuTime threadsStart = threadsCpuTime(portThreads);
    runEventLoopFor(window);
    const Clock::duration wall = Clock::now() - start;
    return {msPerSecond(bench::processCpuTime() - processStart, wall),
            msPerSecond(threadsCpuTime(portThreads) - threadsStart, wall)};
}

// The threads that Open started: those that were not there before.
std::vector<pid_t> newThreads(const std::vector<pid_t>& before) {
    std::vector<pid_t> started;
    for (pid_t tid : bench::threadIds())
        if (std::find(before.begin(), before.end(), tid) == before.end()) started.push_back(tid);
    return started;
}

}  // namespace

int main(int argc, char** argv) {
    const std::chrono::milliseconds window = takeShortRun(argc, argv) ? kShortWindow : kWindow;
    app::CMeshcfgApp app(argc, argv);
    PortLine line;
    app::CMeshcfgDlg dlg;
    dlg.show();
    runEventLoopFor(kSettle);

    // At start the focus is in the editable baud field, whose text cursor blinks. Opening the
    // port disables that field and the focus leaves it, so the closed baseline is taken again
    // after the close, in the same focus state as the open port.
    const IdleCost caret = measure(window);
    const std::vector<pid_t> before = bench::threadIds();
    if (!openAliasPort(dlg)) {
        std::fprintf(stderr, "bench_idle: COM%d did not open\n", kAliasPort);
        return 1;
    }
    const std::vector<pid_t> portThreads = newThreads(before);
    runEventLoopFor(kSettle);
    const IdleCost open = measure(window, portThreads);
    dlg.OnOpenClose();
    runEventLoopFor(kSettle);
    const IdleCost closed = measure(window);
    if (!openAliasPort(dlg)) {
        std::fprintf(stderr, "bench_idle: COM%d did not open again\n", kAliasPort);
        return 1;
    }
    line.pty().closeMaster();  // the device hangs up and its node goes
    runEventLoopFor(kSettle);
    if (dlg.serial()->isOpen()) {
        std::fprintf(stderr, "bench_idle: the hang-up was not noticed\n");
        return 1;
    }
    const IdleCost watching = measure(window);
    // The design's 100 ms timer alone, on an object that does nothing with its ticks.
    dlg.stopTimer();
    QObject idle;
    QBasicTimer timer;
    timer.start(static_cast<int>(proto::kTickPeriod.count()), &idle);
    const IdleCost timerOnly = measure(window);

    printRow({"1 idle CPU, whole process, port open (ms/s)", fixed(open.processMsPerSecond, 3),
              fixed(closed.processMsPerSecond, 3) + " closed",
              times(open.processMsPerSecond / closed.processMsPerSecond), "< 1 ms/s",
              metText(open.processMsPerSecond < kTargetMsPerSecond)});
    printRow({"1 idle CPU, port open, over a bare 100 ms timer (ms/s)",
              fixed(open.processMsPerSecond, 3), fixed(timerOnly.processMsPerSecond, 3) + " timer",
              times(open.processMsPerSecond / timerOnly.processMsPerSecond), "-", "-"});
    printRow({"1 idle CPU, reader and writer threads, port open (ms/s)",
              fixed(open.portThreadsMsPerSecond, 3), "no thread closed", "-", "-", "-"});
    printRow({"1 idle CPU, port closed, watching for its return (ms/s)",
              fixed(watching.processMsPerSecond, 3),
              fixed(closed.processMsPerSecond, 3) + " closed",
              times(watching.processMsPerSecond / closed.processMsPerSecond), "< 1 ms/s",
              metText(watching.processMsPerSecond < kTargetMsPerSecond)});
    printRow({"1 idle CPU, port closed, text cursor blinking (ms/s)",
              fixed(caret.processMsPerSecond, 3), fixed(closed.processMsPerSecond, 3) + " closed",
              times(caret.processMsPerSecond / closed.processMsPerSecond), "-", "-"});
    return 0;
}
