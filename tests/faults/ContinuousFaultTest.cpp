// Continuous sending for 100,000 ticks driven back to back, with the far end reading all
// the time: every send is logged and written, the send counter follows the rule on every
// tick, and memory grows only with the log.

#include <QCheckBox>
#include <QComboBox>
#include <QTextEdit>
#include <QtTest>
#include <chrono>
#include <cstdio>

#include "CMeshcfgDlg.h"
#include "FarEnd.h"
#include "ProcessUsage.h"
#include "PtyPair.h"
#include "QZSerial.h"
#include "StuckLine.h"
#include "Wait.h"
#include "WindowOnPty.h"

using namespace res;

namespace {

constexpr int kTicks = 100000;

// The continuous step as the window must apply it: a tick that finds the counter at or above
// the interval sends and starts again from 0.
struct SendRule {
    int interval = 0;
    int counter = 0;
    int sends = 0;
    void tick() {
        const int old = counter++;
        if (old >= interval) {
            counter = 0;
            ++sends;
        }
    }
};

}  // namespace

class ContinuousFaultTest : public QObject {
    Q_OBJECT

  private slots:
    void hundredThousandTicks();
};

void ContinuousFaultTest::hundredThousandTicks() {
    WindowOnPty win(WindowOnPty::Ticks::kDriven);
    app::CMeshcfgDlg& dlg = win.dlg();
    // The ticks come back to back, and the writer hands a request over only once the line has
    // carried the one before: the fastest line the panel offers keeps the run short.
    auto* baud = dlg.item<QComboBox>(kIdPortBaud);
    baud->setCurrentIndex(baud->count() - 1);
    QVERIFY(win.open());
    FarEndReader farEnd(win.pty().masterFd());
    dlg.item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("01 02"));
    QTest::mouseClick(dlg.item<QCheckBox>(kIdContinuous), Qt::LeftButton);
    QVERIFY(dlg.item<QCheckBox>(kIdContinuous)->isChecked());

    SendRule rule{dlg.sendInterval(), dlg.sendCounter()};
    QCOMPARE(rule.counter, 0);
    const ProcessUsage before = processUsage();
    const auto start = std::chrono::steady_clock::now();
    for (int tick = 1; tick <= kTicks; ++tick) {
        // Ticks back to back come far faster than the 100 ms the writer has between them
        // in use; a full queue would refuse a request.
        QVERIFY(waitUntil(
            [&] { return dlg.serial()->queuedFrames() < serial::CXSerial::kWriteQueueLimit; }));
        dlg.OnTimer();
        rule.tick();
        if (dlg.sendCounter() != rule.counter)
            QFAIL(qPrintable(QStringLiteral("tick %1: counter %2, expected %3")
                                 .arg(tick)
                                 .arg(dlg.sendCounter())
                                 .arg(rule.counter)));
    }
    const double seconds = secondsSince(start);
    const ProcessUsage after = processUsage();

    const QStringList lines = win.logLines();
    QStringList dumps;
    int described = 0;
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("> Send app data(")))
            ++described;
        else
            dumps.append(line);
    }
    QCOMPARE(rule.sends, kTicks / (rule.interval + 1));
    QCOMPARE(described, rule.sends);
    QCOMPARE(dumps.size(), rule.sends);
    QCOMPARE(dumps.count(dumps.front()), dumps.size());  // every request the same

    const std::vector<std::uint8_t> frame = dumpBytes(dumps.front());
    const std::size_t expectedBytes = frame.size() * static_cast<std::size_t>(rule.sends);
    QVERIFY(waitUntil([&] { return farEnd.size() >= expectedBytes; }));
    const std::vector<std::uint8_t> received = farEnd.bytes();
    QCOMPARE(received.size(), expectedBytes);
    for (std::size_t offset = 0; offset < received.size(); offset += frame.size()) {
        if (!std::equal(frame.begin(), frame.end(), received.begin() + offset))
            QFAIL(qPrintable(QStringLiteral("request at byte %1 differs").arg(offset)));
    }

    const qsizetype logChars = dlg.log().allText().size();
    const long growthKiB = after.residentKiB - before.residentKiB;
    std::printf(
        "FIGURE continuous ticks=%d interval=%d sends=%d expected=%d bytes_read=%zu "
        "seconds=%.2f\n",
        kTicks, rule.interval, rule.sends, kTicks / (rule.interval + 1), received.size(), seconds);
    std::printf(
        "FIGURE continuous_memory lines=%lld log_chars=%lld rss_growth_kib=%ld "
        "bytes_per_line=%.0f bytes_per_char=%.1f\n",
        static_cast<long long>(lines.size()), static_cast<long long>(logChars), growthKiB,
        1024.0 * static_cast<double>(growthKiB) / static_cast<double>(lines.size()),
        1024.0 * static_cast<double>(growthKiB) / static_cast<double>(logChars));
    std::printf("%s\n", usageFigure("continuous", before, after).c_str());
    QCOMPARE(after.descriptors, before.descriptors);
    QCOMPARE(after.threads, before.threads);
}

QTEST_MAIN(ContinuousFaultTest)
#include "ContinuousFaultTest.moc"
