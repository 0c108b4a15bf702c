// Figure 5: log growth, the log beside the widget it replaced. The shown main window logs
// request-and-reply cycles (an 18-byte frame's hex dump and a timestamped line each way), with
// the event loop let run after every cycle as between two ticks, so the posted scroll and the
// repaint are paid too. Each widget runs in a child process of its own, so that neither
// inherits the other's memory: resident bytes per line and time per line at 1,000 / 10,000 /
// 100,000 / 1,000,000 lines, the last / first decile of the time per line, and a jump of the
// scroll bar to the middle of the log with its repaint. The log is never trimmed.
//
//   bench_log [lines]                  default 1000000; runs both widgets and prints the rows
//   bench_log --short                  1000 lines
//   bench_log --widget log|text [lines] one widget, its figures as "FIGURE name value"

#include <QCoreApplication>
#include <QProcess>
#include <QScrollBar>
#include <QTextEdit>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <vector>

#include "CMeshcfgApp.h"
#include "CMeshcfgDlg.h"
#include "Frame.h"
#include "ProcStat.h"
#include "ScopedRuntimeDir.h"
#include "ShortRun.h"
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

// The widget the log replaced: every line a paragraph of a rich text document, in the colour
// set last, scrolled to the bottom by a posted request.
class TextEditLog {
  public:
    explicit TextEditLog(QTextEdit& edit) : m_edit(edit) {
        m_edit.setReadOnly(true);
        m_edit.setUndoRedoEnabled(false);
        m_format = m_edit.currentCharFormat();
    }
    void setColor(QRgb color) {
        m_format.setForeground(QColor::fromRgb(color));
        m_format.setFontPointSize(app::kLogPointSize);
    }
    void append(const QString& line) {
        QTextCursor end(m_edit.document());
        end.movePosition(QTextCursor::End);
        end.beginEditBlock();
        end.insertText(line, m_format);
        end.insertBlock(QTextBlockFormat(), m_format);
        end.endEditBlock();
        if (m_scrollPending) return;
        m_scrollPending = true;
        QMetaObject::invokeMethod(
            &m_edit,
            [this] {
                m_scrollPending = false;
                m_edit.verticalScrollBar()->setValue(m_edit.verticalScrollBar()->maximum());
            },
            Qt::QueuedConnection);
    }

  private:
    QTextEdit& m_edit;
    QTextCharFormat m_format;
    bool m_scrollPending = false;
};

struct Writer {
    std::function<void(app::LogSide, proto::Bytes)> frame;
    std::function<void(app::LogSide, const QString&)> line;
    QAbstractScrollArea* view;
};

// One request and its reply, as the window logs them.
void logCycle(const Writer& log) {
    log.frame(app::LogSide::Sent, kFrame);
    log.line(app::LogSide::Sent, QStringLiteral("> Read setup data") + app::logTimestampSuffix());
    log.frame(app::LogSide::Received, kFrame);
    log.line(app::LogSide::Received,
             QStringLiteral("> Read successful.") + app::logTimestampSuffix());
    QCoreApplication::processEvents();
}

// Mean time per line over the batches [first, last).
double usPerLine(const std::vector<double>& batchUs, std::size_t first, std::size_t last) {
    const std::vector<double> part(batchUs.begin() + first, batchUs.begin() + last);
    return mean(part) / kBatchLines;
}

void figure(const std::string& name, double value) {
    std::printf("FIGURE %s %.3f\n", name.c_str(), value);
}

// Writes lines into one widget and prints its figures.
int measureWidget(const QString& widget, std::size_t lines) {
    const ScopedRuntimeDir runtime;  // no port aliases of the user's
    app::CMeshcfgDlg dlg;
    dlg.stopTimer();  // only the log is measured
    QTextEdit edit(&dlg);
    TextEditLog textLog(edit);
    Writer log{
        [&dlg](app::LogSide side, proto::Bytes frame) { dlg.log().appendFrame(side, frame); },
        [&dlg](app::LogSide side, const QString& line) { dlg.log().appendLine(side, line); },
        &dlg.log()};
    if (widget == u"text") {
        edit.setGeometry(dlg.log().geometry());
        edit.raise();
        const auto colour = [](app::LogSide side) {
            return side == app::LogSide::Sent ? app::kSentFrameColor : app::kReceivedFrameColor;
        };
        log = {[&](app::LogSide side, proto::Bytes frame) {
                   textLog.setColor(colour(side));
                   textLog.append(QString::fromStdString(proto::hexDump(frame)));
               },
               [&](app::LogSide side, const QString& line) {
                   textLog.setColor(colour(side));
                   textLog.append(line);
               },
               &edit};
    }
    dlg.show();
    runEventLoopFor(std::chrono::milliseconds(500));
    const std::size_t emptyRss = bench::residentBytes();

    std::vector<double> batchUs;
    const Clock::time_point start = Clock::now();
    for (std::size_t done = 0; done < lines; done += kBatchLines) {
        const Clock::time_point batchStart = Clock::now();
        for (std::size_t n = 0; n < kBatchLines; n += kLinesPerCycle) logCycle(log);
        batchUs.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - batchStart).count());
        const std::size_t written = done + kBatchLines;
        if (std::find(std::begin(kCheckpoints), std::end(kCheckpoints), written) ==
            std::end(kCheckpoints))
            continue;
        // The time per line at a checkpoint: the last tenth of the lines before it.
        const std::size_t end = written / kBatchLines;
        figure("bytes_per_line_" + std::to_string(written),
               static_cast<double>(bench::residentBytes() - emptyRss) / written);
        figure("us_per_line_" + std::to_string(written),
               usPerLine(batchUs, end - std::max<std::size_t>(1, end / 10), end));
        std::fprintf(stderr, "log %s: %zu lines after %.1f s\n", qPrintable(widget), written,
                     std::chrono::duration<double>(Clock::now() - start).count());
    }
    const std::size_t decile = batchUs.size() / 10;
    figure("first_decile_us", usPerLine(batchUs, 0, decile));
    figure("last_decile_us", usPerLine(batchUs, batchUs.size() - decile, batchUs.size()));

    // A jump to the middle of the log and the repaint of what is then in view.
    QScrollBar* bar = log.view->verticalScrollBar();
    const Clock::time_point jump = Clock::now();
    bar->setValue(bar->maximum() / 2);
    log.view->viewport()->repaint();
    figure("scroll_ms", std::chrono::duration<double, std::milli>(Clock::now() - jump).count());
    return 0;
}

using Figures = std::map<std::string, double>;

Figures runChild(const QString& widget, std::size_t lines) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--widget"), widget, QString::number(lines)});
    child.waitForFinished(-1);
    Figures figures;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 3 && words[0] == "FIGURE")
            figures[words[1].toStdString()] = words[2].toDouble();
    }
    return figures;
}

void printRows(const Figures& log, const Figures& text, std::size_t lines) {
    constexpr double kMostBytesPerLine = 100;
    constexpr double kMostDecileRatio = 1.5;
    for (const std::size_t at : kCheckpoints) {
        if (at > lines) break;
        const std::string n = std::to_string(at);
        const double us = log.at("us_per_line_" + n);
        const double textUs = text.at("us_per_line_" + n);
        printRow({"5 log at " + n + " lines, time per line (us)", fixed(us, 2),
                  fixed(textUs, 2) + " text edit", times(us / textUs)});
        const double bytes = log.at("bytes_per_line_" + n);
        const double textBytes = text.at("bytes_per_line_" + n);
        const bool last = at == kCheckpoints[std::size(kCheckpoints) - 1];
        printRow({"5 log at " + n + " lines, resident bytes per line", fixed(bytes, 0),
                  fixed(textBytes, 0) + " text edit", times(bytes / textBytes),
                  last ? "<= 100" : "-", last ? metText(bytes <= kMostBytesPerLine) : "-"});
    }
    const double ratio = log.at("last_decile_us") / log.at("first_decile_us");
    const double textRatio = text.at("last_decile_us") / text.at("first_decile_us");
    printRow({"5 log " + std::to_string(lines) + " lines, last / first decile per line",
              times(ratio), times(textRatio) + " text edit", "-", "<= 1.5x",
              metText(ratio <= kMostDecileRatio)});
    printRow({"5 log " + std::to_string(lines) + " lines, scroll to the middle (ms)",
              fixed(log.at("scroll_ms"), 1), fixed(text.at("scroll_ms"), 1) + " text edit",
              times(log.at("scroll_ms") / text.at("scroll_ms"))});
}

}  // namespace

int main(int argc, char** argv) {
    const bool brief = takeShortRun(argc, argv);
    app::CMeshcfgApp app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const bool child = args.size() >= 2 && args[0] == u"--widget";
    const QStringList rest = child ? args.mid(2) : args;
    const std::size_t fewest = kBatchLines * 10;
    const std::size_t lines =
        brief
            ? fewest
            : std::max(fewest, rest.isEmpty() ? kDefaultLines : std::size_t(rest[0].toULongLong()));
    if (child) return measureWidget(args[1], lines);
    const Figures log = runChild(QStringLiteral("log"), lines);
    const Figures text = runChild(QStringLiteral("text"), lines);
    printRows(log, text, lines);
    return 0;
}
