// Text that a spreadsheet would take for a formula reaches both CSV files as text: the log
// saved as CSV and the production line's report, where the port name is whatever the user's
// path or alias is called.

#include <QDir>
#include <QFile>
#include <QtTest>

#include "CliRun.h"
#include "LogFile.h"
#include "LogLines.h"
#include "SimulatedDesk.h"
#include "SimulatorBench.h"

namespace {

QStringList csvRows(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace

class SpreadsheetCellTest : public QObject {
    Q_OBJECT

  private slots:
    void formulaTextStaysText_data();
    void formulaTextStaysText();
};

void SpreadsheetCellTest::formulaTextStaysText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("=") << "=sim"
                       << "\"'=sim\"";
    QTest::newRow("+") << "+sim"
                       << "\"'+sim\"";
    QTest::newRow("-") << "-sim"
                       << "\"'-sim\"";
    QTest::newRow("@") << "@sim"
                       << "\"'@sim\"";
    QTest::newRow("sign inside") << "sim=1"
                                 << "sim=1";
}

void SpreadsheetCellTest::formulaTextStaysText() {
    QFETCH(QString, text);
    QFETCH(QString, cell);
    SimulatedDesk desk;
    const QDir dir(QString::fromStdString(desk.folder()));

    app::LogLines lines;
    lines.append(0, qRgb(0, 0, 0), text);
    const QString logPath = dir.filePath(QStringLiteral("log.csv"));
    QCOMPARE(app::saveLog(lines, logPath), QString());
    const QStringList logRows = csvRows(logPath);
    QCOMPARE(logRows.size(), 2);
    QVERIFY2(logRows[1].endsWith(QStringLiteral(",note,,%1,").arg(cell)), qPrintable(logRows[1]));

    // The module reached by a path named like the text, relative to where the command runs.
    const SimulatorProcess* simulator = desk.startSimulator(kUnpacedLine);
    QVERIFY2(simulator, qPrintable(desk.startError()));
    QVERIFY(QFile::link(simulator->device(), dir.filePath(text)));
    const QString profile = desk.writeLineProfile(9600, "NO");
    const QString report = dir.filePath(QStringLiteral("report.csv"));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const CliResult applied = runCli({"--port=" + text, "apply", profile, "--report", report});
    QDir::setCurrent(before);
    QVERIFY2(applied.exitCode == 0, applied.err.constData());
    const QStringList reportRows = csvRows(report);
    QCOMPARE(reportRows.size(), 2);
    QVERIFY2(reportRows[1].contains(QStringLiteral(",%1,%1,").arg(cell)),
             qPrintable(reportRows[1]));
}

QTEST_MAIN(SpreadsheetCellTest)
#include "SpreadsheetCellTest.moc"
