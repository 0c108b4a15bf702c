// A far end that floods the port at full speed for ten seconds while the window ticks on
// its own timer: no block passes the receive buffer's bound, and every byte written is
// either delivered or reported as dropped.

#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>
#include <cstdio>

#include "CMeshcfgDlg.h"
#include "FarEnd.h"
#include "ProcessUsage.h"
#include "PtyPair.h"
#include "QZSerial.h"
#include "WindowOnPty.h"

namespace {

constexpr std::chrono::milliseconds kFloodTime(10000);
constexpr std::size_t kBound = serial::ReceiveBuffer::kCapacity;

// What the log says about the flood.
struct FloodLog {
    std::size_t blocks = 0;
    std::size_t delivered = 0;
    std::size_t dropped = 0;
    std::size_t longestBlock = 0;
    std::size_t droppedAfterShortBlock = 0;  // a drop reported after a block that was not full
    QStringList otherLines;
    std::vector<std::uint8_t> firstBlock;
};

FloodLog readFloodLog(const QStringList& lines) {
    static const QRegularExpression dump(QStringLiteral("^> ([0-9A-F]{2} )+$"));
    static const QRegularExpression dropped(
        QStringLiteral("^> (\\d+) bytes dropped: receive buffer full\\.$"));
    FloodLog log;
    std::size_t lastBlock = 0;
    for (const QString& line : lines) {
        if (dump.match(line).hasMatch()) {
            lastBlock = static_cast<std::size_t>(line.size() - 2) / 3;
            if (log.blocks++ == 0) log.firstBlock = dumpBytes(line);
            log.delivered += lastBlock;
            log.longestBlock = std::max(log.longestBlock, lastBlock);
        } else if (const QRegularExpressionMatch match = dropped.match(line); match.hasMatch()) {
            log.dropped += match.captured(1).toULongLong();
            log.droppedAfterShortBlock += lastBlock == kBound ? 0 : 1;
        } else {
            log.otherLines.append(line);
        }
    }
    return log;
}

}  // namespace

class FloodFaultTest : public QObject {
    Q_OBJECT

  private slots:
    void floodKeepsTheBoundAndAccountsForEveryByte();
};

void FloodFaultTest::floodKeepsTheBoundAndAccountsForEveryByte() {
    WindowOnPty win(WindowOnPty::Ticks::kWindowTimer);
    QVERIFY(win.open());
    const ProcessUsage before = processUsage();

    // A timer of the test's own at the window's cadence shows the window thread kept ticking.
    int cadenceTicks = 0;
    QTimer cadence;
    QObject::connect(&cadence, &QTimer::timeout, [&] { ++cadenceTicks; });
    cadence.start(100);

    QEventLoop loop;
    QTimer::singleShot(kFloodTime * 3, &loop, &QEventLoop::quit);  // a flood that never ends
    FarEndFlood flood(win.pty().masterFd(), kFloodTime, [&loop] {
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    flood.join();
    cadence.stop();
    const std::size_t written = flood.written();

    // The rest of the line reaches the buffer, then the final block is cut by silence.
    FloodLog log;
    QTRY_VERIFY_WITH_TIMEOUT(
        (log = readFloodLog(win.logLines()), log.delivered + log.dropped == written), 15000);
    const ProcessUsage after = processUsage();

    std::printf(
        "FIGURE flood seconds=%.2f written=%zu delivered=%zu dropped_reported=%zu "
        "blocks=%zu longest_block=%zu mib_per_s=%.1f cadence_ticks=%d\n",
        flood.seconds(), written, log.delivered, log.dropped, log.blocks, log.longestBlock,
        static_cast<double>(written) / (1 << 20) / flood.seconds(), cadenceTicks);
    std::printf("%s\n", usageFigure("flood", before, after).c_str());

    QVERIFY(written > kBound);
    QVERIFY2(log.otherLines.isEmpty(), qPrintable(log.otherLines.join(u'\n')));
    QVERIFY(log.longestBlock <= kBound);
    QCOMPARE(log.droppedAfterShortBlock, std::size_t(0));
    QVERIFY(log.dropped > 0);
    std::vector<std::uint8_t> expectedStart(kBound);
    for (std::size_t i = 0; i < kBound; ++i) expectedStart[i] = FarEndFlood::floodByte(i);
    QVERIFY(log.firstBlock == expectedStart);
    QVERIFY(win.dlg().serial()->isOpen());
    QVERIFY(win.dlg().serial()->isReading());
}

QTEST_MAIN(FloodFaultTest)
#include "FloodFaultTest.moc"
