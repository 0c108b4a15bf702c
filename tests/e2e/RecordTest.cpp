// The line's record through the real meshcfg-cli and simulators: processes sharing one SQLite
// file give distinct ids and keep every row, and units reads them back in each form.

#include <unistd.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "CliRun.h"
#include "PostgresServer.h"
#include "SimulatedDesk.h"
#include "SimulatorBench.h"

class RecordTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase() {
        m_postgres.reset();
        m_desk.reset();
    }
    void processesShareOneRecord_data();
    void processesShareOneRecord();
    void unitsReadsTheRecord_data();
    void unitsReadsTheRecord();
    void applyWithoutTheRecordSaysWhy_data();
    void applyWithoutTheRecordSaysWhy();
    void textThatIsNotUtf8IsWrittenOut();

  private:
    QString file(const QString& name) const { return m_desk->file(name); }
    QString db() const { return "sqlite://" + file("line.db"); }
    QStringList ports(int from, int count) const {
        QStringList list;
        for (int i = from; i < from + count; ++i)
            list << "-p" << QStringLiteral("COM%1").arg(m_desk->simulators()[i]->port());
        return list;
    }

    std::unique_ptr<SimulatedDesk> m_desk;
    std::unique_ptr<PostgresServer> m_postgres;
};

constexpr int kModules = 4;  // two processes of two modules each in every round
constexpr int kSqliteRounds = 5;

void RecordTest::initTestCase() {
    m_desk = std::make_unique<SimulatedDesk>();
    qputenv("XDG_STATE_HOME", file("state").toUtf8());
    QVERIFY(!m_desk->writeLineProfile().isEmpty());
    for (int i = 0; i < kModules; ++i)
        QVERIFY2(m_desk->startSimulator(kUnpacedLine + QStringList{"--com", "150"}),
                 qPrintable(m_desk->startError()));
}

void RecordTest::processesShareOneRecord_data() {
    QTest::addColumn<bool>("postgres");
    QTest::addColumn<int>("rounds");
    QTest::newRow("sqlite: 20 units") << false << kSqliteRounds;
    QTest::newRow("postgresql: 200 units") << true << 50;
}

void RecordTest::processesShareOneRecord() {
    QFETCH(bool, postgres);
    QFETCH(int, rounds);
    QString url = db();
    if (postgres) {
        if (!PostgresServer::available()) QSKIP("PostgreSQL 15 is not installed");
        m_postgres = std::make_unique<PostgresServer>();
        QVERIFY(m_postgres->start());
        url = QString::fromStdString(m_postgres->url());
    }
    const QStringList common{"apply", file("line.toml"), "--node-ids",    "1000..1999", "--db",
                             url,     "--report",        file("line.csv")};
    for (int round = 0; round < rounds; ++round) {
        QProcess a;
        QProcess b;
        startCli(a, common + ports(0, kModules / 2));
        startCli(b, common + ports(kModules / 2, kModules / 2));
        const CliResult first = finishCli(a);
        const CliResult second = finishCli(b);
        QVERIFY2(first.exitCode == 0, first.err.constData());
        QVERIFY2(second.exitCode == 0, second.err.constData());
    }
    const int count = kModules * rounds;
    const CliResult summary = runCli({"units", "--db", url, "--summary", "--csv"});
    QVERIFY2(summary.out.contains("," + QByteArray::number(count) + ",0,0,100.0%"),
             summary.out.constData());
    const CliResult listed = runCli({"units", "--db", url, "--json"});
    QCOMPARE(listed.exitCode, 0);
    const QJsonArray units = QJsonDocument::fromJson(listed.out).array();
    QCOMPARE(units.size(), count);
    QSet<int> ids;
    for (const auto& value : units) {
        const QJsonObject unit = value.toObject();
        QCOMPARE(unit["result"].toString(), QStringLiteral("PASS"));
        QCOMPARE(unit["settings"].toObject()["node_id"].toInt(), unit["node_id"].toInt());
        ids.insert(unit["node_id"].toInt());
    }
    QCOMPARE(ids.size(), count);
}

void RecordTest::unitsReadsTheRecord_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines");  // each a start of one output line, in order
    const QString header = QString::fromLatin1(
        "time,port,device,adapter,frequency,power,life_cycle,network_id,node_id,uart_baud,"
        "uart_parity,result,why,station,adapter_id,adapter_serial,profile,profile_sha256,"
        "assigned_node_id,duration_ms,timestamp");
    QTest::newRow("one node id as text")
        << QStringList{"--node-id", "1003"} << 0 << QStringList{"2026-"};
    QTest::newRow("csv: the report's header, then its rows")
        << QStringList{"--csv", "--node-id", "1000"} << 0 << QStringList{header, "20"};
    QTest::newRow("no unit failed") << QStringList{"--result", "FAIL"} << 0 << QStringList{};
    QTest::newRow("none since tomorrow")
        << QStringList{"--since", "2999-01-01"} << 0 << QStringList{};
    QTest::newRow("summary") << QStringList{"--summary"} << 0
                             << QStringList{"station passed failed reserved yield", "",
                                            "(line) 20 0 0 100.0%"};
    QTest::newRow("csv summary") << QStringList{"--summary", "--csv", "--station", "nowhere"} << 0
                                 << QStringList{"station,passed,failed,reserved,yield"};
    QTest::newRow("bad result refused") << QStringList{"--result", "pass"} << 2 << QStringList{};
    QTest::newRow("bad since refused") << QStringList{"--since", "yesterday"} << 2 << QStringList{};
    QTest::newRow("csv and json refused") << QStringList{"--csv", "--json"} << 2 << QStringList{};
}

void RecordTest::unitsReadsTheRecord() {
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QStringList, lines);
    const CliResult result = runCli(QStringList{"units", "--db", db()} + options);
    QCOMPARE(result.exitCode, exitCode);
    const QStringList got = QString::fromUtf8(result.out).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(got.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QVERIFY2(got[i].startsWith(lines[i]), qPrintable(got[i]));
}

namespace {

// A spool line of one unit with this node id, as a station wrote it or a hand edited it.
QByteArray spooledUnit(const QByteArray& nodeId) {
    return "{\"store\":{\"unit_id\":\"6a2b\",\"time_ms\":1796000000000,\"utc_offset_min\":60,"
           "\"station\":\"bench-1\",\"port\":\"COM150\",\"device\":\"/dev/pts/3\","
           "\"adapter\":\"\",\"adapter_serial\":\"\",\"adapter_name\":\"\",\"profile\":null,"
           "\"read_back\":null,\"network_id\":4660,\"node_id\":" +
           nodeId +
           ",\"result\":\"PASS\",\"why\":\"\",\"duration_ms\":150},"
           "\"give_back_node_id\":false}\n";
}

}  // namespace

void RecordTest::applyWithoutTheRecordSaysWhy_data() {
    QTest::addColumn<QString>("db");           // "FILE" stands for a file of the test's own
    QTest::addColumn<QByteArray>("contents");  // of that file, when it is made first
    QTest::addColumn<QByteArray>("spool");
    QTest::addColumn<QString>("says");
    QTest::newRow("not a database")
        << "sqlite://FILE" << QByteArray("time,port\n") << QByteArray() << "file is not a database";
    QTest::newRow("server down") << "postgresql://meshcfg@127.0.0.1:1/line" << QByteArray()
                                 << QByteArray() << "Connection refused; Is the server running";
    QTest::newRow("spool line that is no row")
        << "sqlite://FILE" << QByteArray() << QByteArray("{\"store\": {\"unit_i\n")
        << "a spool line is not a unit row";
    QTest::newRow("spooled node id 70000")
        << "sqlite://FILE" << QByteArray() << spooledUnit("70000") << "node_id 70000 is not";
}

void RecordTest::applyWithoutTheRecordSaysWhy() {
    QFETCH(QString, db);
    QFETCH(QByteArray, contents);
    QFETCH(QByteArray, spool);
    QFETCH(QString, says);
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
    const QString record = file(tag + ".db");
    if (!contents.isEmpty()) {
        QFile out(record);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(contents);
    }
    QStringList spoolOption;
    if (!spool.isEmpty()) {
        QFile out(file(tag + ".jsonl"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(spool);
        spoolOption << "--spool" << out.fileName();
    }
    const int writesBefore = m_desk->simulators()[0]->countRequests("request write-setup");
    const CliResult result = runCli(QStringList{"apply", file("line.toml"), "--node-ids",
                                                "1000..1999", "--db", db.replace("FILE", record)} +
                                    spoolOption + ports(0, 1));
    QCOMPARE(result.exitCode, 6);
    QVERIFY2(result.err.count('\n') == 1, result.err.constData());
    QVERIFY2(result.err.contains(says.toUtf8()), result.err.constData());
    QVERIFY2(result.err.contains("nothing written"), result.err.constData());
    QCOMPARE(m_desk->simulators()[0]->countRequests("request write-setup"), writesBefore);
    if (!spool.isEmpty()) {
        QFile kept(spoolOption.back());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), spool);
    }
}

void RecordTest::textThatIsNotUtf8IsWrittenOut() {
    // A COM alias whose device has a name that is not UTF-8, and a port named by a path that
    // holds a terminal's escape sequence: both are the user's to choose.
    const std::string folder = m_desk->folder();
    const std::string oddDevice = folder + "/tty\xFF\xFE";
    QCOMPARE(::symlink(m_desk->simulators()[2]->device().toStdString().c_str(), oddDevice.c_str()),
             0);
    const std::string alias = folder + "/qz470mr/COM199";
    QCOMPARE(::symlink(oddDevice.c_str(), alias.c_str()), 0);
    const QString oddPort = file("tty\x1b[31mred");
    QVERIFY(QFile::link(m_desk->simulators()[3]->device(), oddPort));
    const QString url = "sqlite://" + file("odd.db");

    const CliResult applied = runCli({"apply", file("line.toml"), "-p", "COM199", "-p", oddPort,
                                      "--node-ids", "3000..3099", "--db", url, "--json"});
    QVERIFY2(applied.exitCode == 0, applied.err.constData());
    QStringList devices;
    for (const QByteArray& line : applied.out.split('\n')) {
        if (line.isEmpty()) continue;
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        QVERIFY2(!event.isEmpty(), line.constData());
        if (event["event"] == "found") devices << event["device"].toString();
    }
    QVERIFY2(devices.contains(QString::fromStdString(folder) + "/tty\\xFF\\xFE"),
             qPrintable(devices.join(u' ')));

    const CliResult listed = runCli({"units", "--db", url, "--json"});
    QCOMPARE(listed.exitCode, 0);
    const QJsonArray units = QJsonDocument::fromJson(listed.out).array();
    QCOMPARE(units.size(), 2);
    QStringList stored;
    for (const auto& unit : units) stored << unit.toObject()["device"].toString();
    QVERIFY2(stored.contains(QString::fromStdString(folder) + "/tty\\xFF\\xFE"),
             qPrintable(stored.join(u' ')));

    const CliResult text = runCli({"units", "--db", url});
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(text.out.count('\n'), 2);
    QVERIFY2(!text.out.contains('\x1b'), text.out.constData());
    QVERIFY2(text.out.contains("tty\\x1B[31mred PASS"), text.out.constData());
}

QTEST_GUILESS_MAIN(RecordTest)
#include "RecordTest.moc"
