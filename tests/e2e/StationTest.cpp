// Many modules at once and one after another, the way a production line runs meshcfg-cli:
// simulators on COM aliases, some silent or pulled mid-apply, node ids shared by processes.

#include <signal.h>
#include <sys/resource.h>

#include <QFile>
#include <QSet>
#include <QtTest>
#include <memory>
#include <vector>

#include "CliRun.h"
#include "PostgresServer.h"
#include "SimulatedDesk.h"
#include "SimulatorBench.h"

namespace {

constexpr int kWaitMs = 20000;
constexpr int kReportColumns = 21;

// The report's rows as fields by column name; quoted fields taken whole.
std::vector<QHash<QString, QString>> reportRows(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    std::vector<QStringList> lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        QStringList fields{QString()};
        bool quoted = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            if (c == u'"' && quoted && i + 1 < line.size() && line[i + 1] == u'"') {
                fields.back() += c;
                ++i;
            } else if (c == u'"') {
                quoted = !quoted;
            } else if (c == u',' && !quoted) {
                fields.append(QString());
            } else {
                fields.back() += c;
            }
        }
        lines.push_back(fields);
    }
    std::vector<QHash<QString, QString>> rows;
    for (std::size_t r = 1; r < lines.size(); ++r) {
        QHash<QString, QString> row;
        row[QStringLiteral("#fields")] = QString::number(lines[r].size());
        for (qsizetype c = 0; c < lines[0].size() && c < lines[r].size(); ++c)
            row[lines[0][c]] = lines[r][c];
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

class StationTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_desk = std::make_unique<SimulatedDesk>(); }
    void cleanup() { m_desk.reset(); }

    void gangWithASilentAndAPulledModule();
    void stationTakesModulesAsTheyArePlugged();
    void twoProcessesShareOneIdFile();
    void interruptLeavesWholeRows();
    void stationWaitsForItsRecordToComeBack();
    void modulesOfOnePortNeverShareAnId_data();
    void modulesOfOnePortNeverShareAnId();
    void reportRowCutByAFullDisk();

  private:
    QString file(const QString& name) const { return m_desk->file(name); }
    QString profile() const { return m_desk->writeLineProfile(); }
    SimulatorProcess* startSimulator(const QStringList& options = {}) {
        return m_desk->startSimulator(kUnpacedLine + QStringList{"--com", "150"} + options);
    }
    QString portRange() const {
        return QStringLiteral("COM%1-COM%2")
            .arg(m_desk->simulators().front()->port())
            .arg(m_desk->simulators().back()->port());
    }

    std::unique_ptr<SimulatedDesk> m_desk;
};

void StationTest::gangWithASilentAndAPulledModule() {
    for (int i = 0; i < 6; ++i) QVERIFY(startSimulator());
    SimulatorProcess* silent = startSimulator({"--fault", "silence"});
    // Answers the read, never acknowledges the write: pulled while waiting for it.
    SimulatorProcess* pulled = startSimulator({"--fault", "silence:2"});
    QVERIFY(silent && pulled);
    const QString report = file("line.csv");
    QProcess cli;
    startCli(cli, {"apply", profile(), "-p", portRange(), "--node-ids", "301..400", "--id-file",
                   file("ids"), "--report", report, "--timeout", "5000"});
    QTRY_VERIFY_WITH_TIMEOUT(pulled->countRequests("request write-setup") == 1, kWaitMs);
    pulled->pullCable();
    const CliResult result = finishCli(cli);
    QCOMPARE(result.exitCode, 4);  // the silent one's, above the pulled one's 3
    QCOMPARE(result.out.count('\n'), 8);

    const auto rows = reportRows(report);
    QCOMPARE(rows.size(), std::size_t{8});
    QSet<QString> passedIds;
    QHash<QString, QString> failed;  // port -> why
    for (const auto& row : rows) {
        QCOMPARE(row["#fields"].toInt(), kReportColumns);
        QCOMPARE(row["profile"], QStringLiteral("line.toml"));
        QCOMPARE(row["profile_sha256"].size(), 64);
        if (row["result"] == u"PASS") {
            QCOMPARE(row["node_id"], row["assigned_node_id"]);
            passedIds.insert(row["node_id"]);
        } else {
            failed[row["port"]] = row["why"];
        }
    }
    QCOMPARE(passedIds.size(), 6);
    const QString silentPort = QStringLiteral("COM%1").arg(silent->port());
    const QString pulledPort = QStringLiteral("COM%1").arg(pulled->port());
    QCOMPARE(QSet<QString>(failed.keyBegin(), failed.keyEnd()),
             QSet<QString>({silentPort, pulledPort}));
    QCOMPARE(failed[silentPort], silentPort + ": no reply within 5000 ms");
    QCOMPARE(failed[pulledPort], QStringLiteral("unplugged during write"));
    for (const auto& row : rows)
        if (row["port"] == pulledPort) QVERIFY(!row["assigned_node_id"].isEmpty());
}

void StationTest::stationTakesModulesAsTheyArePlugged() {
    QProcess station;
    startCli(station, {"station", profile(), "--aliases", "--node-ids", "301..302", "--id-file",
                       file("ids"), "--report", file("line.csv")});
    QVERIFY(station.waitForReadyRead(kWaitMs));  // waiting for modules
    station.readAll();
    const auto nextLine = [&station] {
        if (!QTest::qWaitFor([&station] { return station.canReadLine(); }, kWaitMs))
            return QString();
        return QString::fromUtf8(station.readLine());
    };
    SimulatorProcess* first = startSimulator();
    QVERIFY(first);
    QVERIFY2(nextLine().contains(" PASS node_id=301 "), "the first module");
    // The same cable plugged again is a new unit; a new module is one too.
    // Plugged back once the station saw the alias dangle, as a hand takes a while to.
    first->pullCable();
    const QString alias =
        QStringLiteral("%1/qz470mr/COM%2").arg(file({}).chopped(1)).arg(first->port());
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(alias), kWaitMs);
    QTest::qWait(1000);
    QVERIFY2(first->plugCable(), qPrintable(first->error()));
    QVERIFY2(nextLine().contains(" PASS node_id=302 "), "plugged again");
    QVERIFY(startSimulator());
    QVERIFY2(nextLine().contains(" FAIL node_id=- "), "the range is used up");
    const CliResult result = finishCli(station);
    QCOMPARE(result.exitCode, 5);
    QVERIFY2(result.out.contains("No node id left"), result.out.constData());
    QVERIFY2(result.out.contains("Shift: 2 passed, 1 failed"), result.out.constData());
    QCOMPARE(reportRows(file("line.csv")).size(), std::size_t{3});
}

// Two processes at once, round after round on the same modules: every id once.
void StationTest::twoProcessesShareOneIdFile() {
    constexpr int kModules = 8;
    constexpr int kRounds = 25;  // 200 units
    for (int i = 0; i < kModules; ++i) QVERIFY(startSimulator());
    const QString first = QStringLiteral("COM%1").arg(m_desk->simulators().front()->port());
    const auto half = [this](int from) {
        QStringList ports;
        for (int i = from; i < from + kModules / 2; ++i)
            ports << "-p" << QStringLiteral("COM%1").arg(m_desk->simulators()[i]->port());
        return ports;
    };
    const QStringList common{"apply",     profile(),   "--node-ids", "1000..1999",
                             "--id-file", file("ids"), "--report",   file("line.csv")};
    for (int round = 0; round < kRounds; ++round) {
        QProcess a;
        QProcess b;
        startCli(a, common + half(0));
        startCli(b, common + half(kModules / 2));
        QCOMPARE(finishCli(a).exitCode, 0);
        QCOMPARE(finishCli(b).exitCode, 0);
    }
    const auto rows = reportRows(file("line.csv"));
    QCOMPARE(rows.size(), std::size_t{kModules * kRounds});
    QSet<QString> ids;
    for (const auto& row : rows) ids.insert(row["assigned_node_id"]);
    QCOMPARE(ids.size(), kModules * kRounds);
}

void StationTest::interruptLeavesWholeRows() {
    for (int i = 0; i < 4; ++i) QVERIFY(startSimulator({"--fault", "silence"}));
    const QString report = file("line.csv");
    QProcess cli;
    startCli(cli, {"apply", profile(), "-p", portRange(), "--node-ids", "1..9", "--report", report,
                   "--timeout", "20000"});
    for (const auto& simulator : m_desk->simulators())
        QTRY_VERIFY_WITH_TIMEOUT(simulator->countRequests("request read-setup") == 1, kWaitMs);
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    QCOMPARE(finishCli(cli).exitCode, 130);
    const auto rows = reportRows(report);
    QCOMPARE(rows.size(), std::size_t{4});
    for (const auto& row : rows) {
        QCOMPARE(row["#fields"].toInt(), kReportColumns);
        QCOMPARE(row["why"], QStringLiteral("interrupted reading the module: nothing written"));
    }
}

// The line's server stopped between two units: the station says so, takes no module until the
// server is back, then takes the one that waited; every row ends in the record.
void StationTest::stationWaitsForItsRecordToComeBack() {
    if (!PostgresServer::available()) QSKIP("PostgreSQL 15 is not installed");
    PostgresServer server;
    QVERIFY(server.start());
    qputenv("XDG_STATE_HOME", file("state").toUtf8());
    const QString db = QString::fromStdString(server.url());
    QProcess station;
    startCli(station, {"station", profile(), "--aliases", "--node-ids", "301..309", "--db", db});
    const auto waitFor = [&station](const char* text) {
        QByteArray seen;
        const bool said = QTest::qWaitFor(
            [&] {
                seen += station.readAll();
                return seen.contains(text);
            },
            kWaitMs);
        return said ? seen : QByteArray();
    };
    QVERIFY(waitFor("Waiting for modules").contains("Waiting"));
    QVERIFY(startSimulator());
    QVERIFY(waitFor(" PASS node_id=301 ").contains("301"));

    QVERIFY(server.stop());
    SimulatorProcess* waiting = startSimulator();
    QVERIFY(waiting);
    const QByteArray down = waitFor("no new unit until it is back");
    QVERIFY2(down.contains("cannot be reached"), down.constData());
    QVERIFY2(!down.contains("PASS"), down.constData());
    QVERIFY2(waiting->countRequests("request write-setup") == 0, down.constData());

    QVERIFY(server.start());
    const QByteArray back = waitFor(" PASS node_id=302 ");
    QVERIFY2(back.contains("The line's record is back"), back.constData());
    QVERIFY2(back.contains(" PASS node_id=302 "), back.constData());
    ::kill(static_cast<pid_t>(station.processId()), SIGINT);
    const CliResult result = finishCli(station);
    QCOMPARE(result.exitCode, 0);

    const CliResult listed = runCli({"units", "--db", db, "--summary", "--csv"});
    QVERIFY2(listed.out.contains(",2,0,0,100.0%"), listed.out.constData());
}

// Fresh modules all hold node id 1 and keep it when they may: one after another in one port,
// each must still get an id of its own, since the port's name does not tell them apart.
void StationTest::modulesOfOnePortNeverShareAnId_data() {
    QTest::addColumn<bool>("shift");
    QTest::newRow("runs sharing an id file") << false;
    QTest::newRow("one station shift") << true;
}

void StationTest::modulesOfOnePortNeverShareAnId() {
    QFETCH(bool, shift);
    const QStringList ids{"--keep-node-id", "--node-ids", "1..9"};
    QProcess station;
    if (shift) {
        startCli(station, QStringList{"station", profile(), "--aliases"} + ids);
        QVERIFY(station.waitForReadyRead(kWaitMs));  // waiting for modules
        station.readAll();
    }
    QStringList given;
    for (int module = 0; module < 3; ++module) {
        SimulatorProcess* simulator = startSimulator();
        QVERIFY(simulator);
        const QString port = QStringLiteral("COM%1").arg(simulator->port());
        QCOMPARE(port, QStringLiteral("COM150"));
        QString line;
        if (shift) {
            QVERIFY(QTest::qWaitFor([&station] { return station.canReadLine(); }, kWaitMs));
            line = QString::fromUtf8(station.readLine());
        } else {
            const CliResult run =
                runCli(QStringList{"apply", profile(), "-p", port, "--id-file", file("ids")} + ids);
            QCOMPARE(run.exitCode, 0);
            line = QString::fromUtf8(run.out);
        }
        const QRegularExpressionMatch id =
            QRegularExpression(QStringLiteral("node_id=(\\d+)")).match(line);
        QVERIFY2(id.hasMatch(), qPrintable(line));
        given << id.captured(1);
        QVERIFY(simulator->stop());
        m_desk->stopSimulators();
    }
    QCOMPARE(given, QStringList({"1", "2", "3"}));
    if (shift) {
        ::kill(static_cast<pid_t>(station.processId()), SIGINT);
        QCOMPARE(finishCli(station).exitCode, 0);
    }
}

// The disk fills while the row is written: no half row stays, the next row starts a line of its
// own, and the run says that the module was written although its row was not kept.
void StationTest::reportRowCutByAFullDisk() {
    SimulatorProcess* simulator = startSimulator();
    QVERIFY(simulator);
    const QString port = QStringLiteral("COM%1").arg(simulator->port());
    const QString report = file("line.csv");
    QVERIFY(runCli({"apply", profile(), "-p", port, "--report", report}).exitCode == 0);
    QFile before(report);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray kept = before.readAll();

    QProcess full;
    full.setChildProcessModifier([size = kept.size()] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit room{static_cast<rlim_t>(size + 20), RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &room);
    });
    startCli(full, {"apply", profile(), "-p", port, "--report", report, "--node-id", "301"});
    const CliResult cut = finishCli(full);
    QCOMPARE(cut.exitCode, 6);
    QVERIFY2(cut.err.startsWith("meshcfg-cli: " + port.toUtf8() +
                                ": set up and verified, but its report row was not kept: "),
             cut.err.constData());
    QCOMPARE(simulator->lastRequest(), QStringLiteral("request read-setup"));
    QVERIFY(simulator->requests().join(u'\n').contains(QStringLiteral(" node=301 ")));
    QFile after(report);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), kept);

    QCOMPARE(runCli({"apply", profile(), "-p", port, "--report", report}).exitCode, 0);
    const auto rows = reportRows(report);
    QCOMPARE(rows.size(), std::size_t{2});
    for (const auto& row : rows) QCOMPARE(row["#fields"].toInt(), kReportColumns);
}

QTEST_GUILESS_MAIN(StationTest)
#include "StationTest.moc"
