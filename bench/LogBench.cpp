// Figure 5: log growth. The shown main window logs request-and-reply cycles (a hex dump and a
// timestamped line each way), with the event loop let run after every cycle as between two
// ticks, so the posted scroll and the repaint are paid too. Time per line and resident memory
// at 1,000 / 10,000 / 100,000 / 1,000,000 lines; the log is never trimmed.
//
//   bench_log [lines]     default 1000000

#include <QCoreApplication>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "CMeshcfgApp.h"
#include "CMeshcfgDlg.h"
#include "Frame.h"
#include "ProcStat.h"
#include "ScopedRuntimeDir.h"
#include "Stats.h"
#include "Table.h"
#include "WindowBench.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kDefaultLines = 1000000;
constexpr std::size_t kLinesPerCycle = 4;
constexpr std::size_t kBatchLines = 100;  // lines timed together
constexpr std::size_t kCheckpoints[] = {1000, 10000, 100000, 1000000};
constexpr std::uint8_t kFrame[] = {0x01, 0x00, 0x02, 0x0D, 0xA5, 0xA5, 0, 0, 0,
                                   0,    0,    0,    0,    0,    0,    0, 0, 0x0E};

// One request and its reply, as the log shows them.
void logCycle(CMeshcfgDlg& dlg, const QString& dump) {
    dlg.SetLogColor(kSentFrameColor);
    dlg.AppendLog(dump);
    dlg.AppendLog(QStringLiteral("> Read setup data") + CMeshcfgDlg::timestampSuffix());
    dlg.SetLogColor(kReceivedFrameColor);
    dlg.AppendLog(dump);
    dlg.AppendLog(QStringLiteral("> Read successful.") + CMeshcfgDlg::timestampSuffix());
    QCoreApplication::processEvents();
}

// Mean time per line over the batches [first, last).
double usPerLine(const std::vector<double>& batchUs, std::size_t first, std::size_t last) {
    const std::vector<double> part(batchUs.begin() + first, batchUs.begin() + last);
    return mean(part) / kBatchLines;
}

std::string megabytes(std::size_t bytes) {
    return fixed(bytes / 1e6, 0) + " MB";
}

}  // namespace

int main(int argc, char** argv) {
    CMeshcfgApp app(argc, argv);
    const std::size_t lines =
        std::max(kBatchLines * 10, argc > 1 ? std::strtoul(argv[1], nullptr, 10) : kDefaultLines);
    const ScopedRuntimeDir runtime;  // no port aliases of the user's
    CMeshcfgDlg dlg;
    dlg.stopTimer();  // only the log is measured
    dlg.show();
    runEventLoopFor(std::chrono::milliseconds(500));
    const QString dump = QString::fromStdString(proto::hexDump(kFrame));
    const std::size_t emptyRss = residentBytes();

    std::vector<double> batchUs;
    std::vector<std::size_t> rssAt;
    const Clock::time_point start = Clock::now();
    for (std::size_t done = 0; done < lines; done += kBatchLines) {
        const Clock::time_point batchStart = Clock::now();
        for (std::size_t n = 0; n < kBatchLines; n += kLinesPerCycle) logCycle(dlg, dump);
        batchUs.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - batchStart).count());
        if (std::find(std::begin(kCheckpoints), std::end(kCheckpoints), done + kBatchLines) !=
            std::end(kCheckpoints)) {
            rssAt.push_back(residentBytes());
            std::fprintf(stderr, "log: %zu lines after %.1f s\n", done + kBatchLines,
                         std::chrono::duration<double>(Clock::now() - start).count());
        }
    }

    // The time per line at a checkpoint: the last tenth of the lines before it.
    const double firstUs = usPerLine(batchUs, 0, kCheckpoints[0] / kBatchLines);
    for (std::size_t i = 0; i < rssAt.size(); ++i) {
        const std::size_t end = kCheckpoints[i] / kBatchLines;
        const double us = usPerLine(batchUs, end - std::max<std::size_t>(1, end / 10), end);
        printRow({"5 log at " + std::to_string(kCheckpoints[i]) + " lines, time per line (us)",
                  fixed(us, 2), fixed(firstUs, 2) + " at 1000", times(us / firstUs)});
        printRow({"5 log at " + std::to_string(kCheckpoints[i]) + " lines, resident memory",
                  megabytes(rssAt[i]), megabytes(emptyRss) + " empty",
                  times(static_cast<double>(rssAt[i]) / emptyRss)});
    }
    const std::size_t decile = batchUs.size() / 10;
    const double first = usPerLine(batchUs, 0, decile);
    const double last = usPerLine(batchUs, batchUs.size() - decile, batchUs.size());
    printRow({"5 log " + std::to_string(lines) + " lines, last / first decile per line (us)",
              fixed(last, 2), fixed(first, 2), times(last / first), "<= 2x",
              metText(last <= 2 * first)});
    return 0;
}
