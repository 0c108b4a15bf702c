// The real meshcfg-cli against a running qz470-sim, the way a script on the production line
// uses it: every command, the exit codes and the one-line messages of the faults.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <QtTest>

#include "CliRun.h"
#include "SimulatedDesk.h"
#include "SimulatorBench.h"

namespace {

constexpr int kWaitMs = 20000;

// Replies paced as the port is set, as a module on a real line answers.
const QStringList kPacedReplies{"--baud", "9600"};

QJsonDocument json(const QByteArray& text) {
    return QJsonDocument::fromJson(text);
}

// Standard error without the lines of the receive notices that came meanwhile.
QByteArray withoutNotices(const QByteArray& err) {
    QByteArray kept;
    for (const QByteArray& line : err.split('\n'))
        if (!line.isEmpty() && !line.startsWith("notice ")) kept += line + '\n';
    return kept;
}

}  // namespace

class CliTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_desk = std::make_unique<SimulatedDesk>();
        m_simulator = &m_desk->addSimulator();
    }
    void cleanup() { m_desk.reset(); }

    void writeVerifyThenReadAsJson();
    void readSavesAProfileThatApplies();
    void applyAppendsReportRows();
    void writeAcknowledgedAtAnyLength_data();
    void writeAcknowledgedAtAnyLength();
    void badProfileSendsNothing_data();
    void badProfileSendsNothing();
    void routeAndPathAsJson();
    void noRouteRowsSaySo_data();
    void noRouteRowsSaySo();
    void sendOnce_data();
    void sendOnce();
    void linkTestSummary_data();
    void linkTestSummary();
    void linkTestOnASlowMesh_data();
    void linkTestOnASlowMesh();
    void rawRequestAndReply();
    void interruptPrintsTheSummary_data();
    void interruptPrintsTheSummary();
    void faults_data();
    void faults();
    void noticesAreNeverReplies_data();
    void noticesAreNeverReplies();
    void interruptIsItsOwnOutcome_data();
    void interruptIsItsOwnOutcome();
    void hangUpEndsTheRun_data();
    void hangUpEndsTheRun();
    void monitorFollowsTheDevice();
    void monitorEndsWhenItsReaderGoes();

  private:
    // Receive notices every second, as a busy mesh sends them: none may pass for a reply.
    bool start(const QStringList& options = {}) {
        return m_simulator->start(kUnpacedLine + QStringList{"--notice-every", "1"} + options);
    }
    QString port() const { return QStringLiteral("COM%1").arg(m_simulator->port()); }
    CliResult run(const QStringList& arguments) {
        return runCli(QStringList{QStringLiteral("-p"), port()} + arguments);
    }

    std::unique_ptr<SimulatedDesk> m_desk;
    SimulatorProcess* m_simulator = nullptr;
};

void CliTest::writeVerifyThenReadAsJson() {
    QVERIFY2(start(), qPrintable(m_simulator->error()));
    const CliResult write = run({"write", "--frequency", "433.5", "--power", "3", "--life-cycle",
                                 "6h", "--network-id", "4660", "--node-id", "258", "--uart-baud",
                                 "115200", "--uart-parity", "EVEN", "--verify"});
    QCOMPARE(write.exitCode, 0);
    // All seven given: nothing is read before the write; --verify reads back once.
    QCOMPARE(m_simulator->requests(),
             QStringList({"request write-setup freq=6C6012 power=3 life=5 net=4660 node=258 "
                          "baud=7 parity=2",
                          "request read-setup"}));

    const CliResult read = run({"read", "--json"});
    QCOMPARE(read.exitCode, 0);
    QCOMPARE(json(read.out),
             json(R"({"frequency": 433.5, "power": 3, "life_cycle": "6h", "network_id": 4660,
                      "node_id": 258, "uart_baud": 115200, "uart_parity": "EVEN"})"));

    // One field given: the others are read first and written back unchanged.
    QCOMPARE(run({"write", "--node-id", "7"}).exitCode, 0);
    QCOMPARE(m_simulator->lastRequest(),
             QStringLiteral("request write-setup freq=6C6012 power=3 life=5 net=4660 node=7 "
                            "baud=7 parity=2"));
}

void CliTest::readSavesAProfileThatApplies() {
    QVERIFY2(start(), qPrintable(m_simulator->error()));
    QCOMPARE(run({"write", "--frequency", "470", "--power", "5", "--uart-parity", "ODD"}).exitCode,
             0);
    const QString written = m_simulator->lastRequest();
    const QString profile = m_desk->file("known-good.toml");
    const CliResult read = run({"read", "--save", profile});
    QCOMPARE(read.exitCode, 0);
    QVERIFY(read.out.contains("frequency=470.00\n"));

    // A fresh module gets all seven values of the first (the log file goes on across starts):
    // read what it holds, write, read back.
    QVERIFY(m_simulator->stop());
    QVERIFY(start());
    QCOMPARE(run({"apply", profile}).exitCode, 0);
    const QStringList requests = m_simulator->requests();
    QCOMPARE(requests.mid(requests.size() - 3),
             QStringList({"request read-setup", written, "request read-setup"}));
    QCOMPARE(m_simulator->countRequests("request write-setup"), 2);
}

void CliTest::applyAppendsReportRows() {
    QVERIFY2(start(), qPrintable(m_simulator->error()));
    const QString profile = m_desk->writeFile("line.toml",
                                              "frequency = 434.0\npower = 5\n"
                                              "life_cycle = \"1h\"\nnetwork_id = 4660\n"
                                              "node_id = 258\nuart_baud = 115200\n"
                                              "uart_parity = \"EVEN\"\n");
    const QString report = m_desk->file("report.csv");
    QCOMPARE(run({"apply", profile, "--node-id", "259", "--report", report}).exitCode, 0);
    QCOMPARE(run({"apply", profile, "--report", report}).exitCode, 0);
    QVERIFY(m_simulator->stop());
    // The module stopped answering: a FAIL row that says why.
    QCOMPARE(run({"apply", profile, "--report", report, "--timeout", "300"}).exitCode, 3);

    QFile csv(report);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 4);
    // The columns scripts have always read come first; the tracing ones follow why.
    QCOMPARE(rows[0], QStringLiteral("time,port,device,adapter,frequency,power,life_cycle,"
                                     "network_id,node_id,uart_baud,uart_parity,result,why,"
                                     "station,adapter_id,adapter_serial,profile,profile_sha256,"
                                     "assigned_node_id,duration_ms,timestamp"));
    const QString device = m_simulator->device();
    const QRegularExpression time(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d,"));
    QVERIFY(time.match(rows[1]).hasMatch());
    QVERIFY2(
        rows[1].contains(QStringLiteral(",%1,,434.0,5,1h,4660,259,115200,EVEN,PASS,,").arg(device)),
        qPrintable(rows[1]));
    QVERIFY(rows[2].contains(QStringLiteral(",434.0,5,1h,4660,258,115200,EVEN,PASS,,")));
    QVERIFY2(rows[3].contains(QStringLiteral(",,,,,,,FAIL,")), qPrintable(rows[3]));
}

void CliTest::writeAcknowledgedAtAnyLength_data() {
    QTest::addColumn<QString>("ackLength");
    QTest::addColumn<QStringList>("command");
    QTest::newRow("write, 6-byte acknowledgement")
        << "6" << QStringList{"write", "--node-id", "7", "--verify"};
    QTest::newRow("apply, bare acknowledgement") << "5" << QStringList{"apply", "line.toml"};
    QTest::newRow("apply, 30-byte acknowledgement") << "30" << QStringList{"apply", "line.toml"};
}

// Only the acknowledgement's type and code are fixed: a module that took the write passes,
// whatever length it answers with, and no reply waits for the silence.
void CliTest::writeAcknowledgedAtAnyLength() {
    QFETCH(QString, ackLength);
    QFETCH(QStringList, command);
    QVERIFY2(start({"--ack-length", ackLength}), qPrintable(m_simulator->error()));
    m_desk->writeLineProfile();
    command.replaceInStrings("line.toml", m_desk->file("line.toml"));
    const CliResult result = run(command + QStringList{"--timeout", "1000"});
    QVERIFY2(result.exitCode == 0, result.err.constData());
    QCOMPARE(m_simulator->countRequests("request write-setup"), 1);
    QVERIFY2(!withoutNotices(result.err).contains("noise"), result.err.constData());
}

void CliTest::badProfileSendsNothing_data() {
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown key") << QByteArray("power = 3\npowr = 5\n")
                                 << QStringLiteral(":2: unknown key 'powr'");
    QTest::newRow("out of range") << QByteArray("power = 3\n\nnode_id = 70000\n")
                                  << QStringLiteral(":3: 70000 is not a valid node_id");
    QTest::newRow("wrong kind") << QByteArray("life_cycle = 6\n")
                                << QStringLiteral(":1: 6 is not a valid life_cycle");
    QTest::newRow("not TOML") << QByteArray("power = 3\nfrequency = = 4\n")
                              << QStringLiteral(":2: ");
}

void CliTest::badProfileSendsNothing() {
    QFETCH(QByteArray, profile);
    QFETCH(QString, message);
    QVERIFY2(start(), qPrintable(m_simulator->error()));
    const QString path = m_desk->writeFile("bad.toml", profile);
    const CliResult result = run({"apply", path});
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.startsWith(("meshcfg-cli: " + path + message).toUtf8()),
             result.err.constData());
    QCOMPARE(result.err.count('\n'), 1);
    QCOMPARE(m_simulator->requests(), QStringList());
}

void CliTest::routeAndPathAsJson() {
    QVERIFY2(start(), qPrintable(m_simulator->error()));
    const CliResult route = run({"route", "--json"});
    QCOMPARE(route.exitCode, 0);
    // The built-in mesh, in entry order, its two empty entries skipped.
    QCOMPARE(json(route.out), json(R"({"local": 1, "routes": [
        {"route": 2, "target": 2}, {"route": 2, "target": 3}, {"route": 4, "target": 4},
        {"route": 4, "target": 5}, {"route": 5, "target": 6}, {"route": 7, "target": 8}]})"));
    const CliResult path = run({"path", "--json"});
    QCOMPARE(path.exitCode, 0);
    QCOMPARE(json(path.out), json(R"({"path": [1, 4, 5, 6], "links": [-52, -67, -81]})"));
}

// A module that hears no one answers with an empty list: printed as it is, for a script to
// read, while the exit code and the line on stderr say it holds no routes.
void CliTest::noRouteRowsSaySo_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("json") << QStringList{"route", "--json"}
                          << QByteArray(R"({"local":9,"routes":[]})"
                                        "\n");
    QTest::newRow("text") << QStringList{"route"} << QByteArray("local=9\n");
}

void CliTest::noRouteRowsSaySo() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, out);
    const QString mesh = m_desk->writeFile("mesh.txt", "local 9\nempty\n");
    QVERIFY2(start({"--mesh", mesh}), qPrintable(m_simulator->error()));
    const CliResult route = run(arguments);
    QCOMPARE(route.exitCode, 1);
    QCOMPARE(route.out, out);
    QCOMPARE(withoutNotices(route.err),
             ("meshcfg-cli: " + port() + ": the route list holds no routes\n").toUtf8());
}

void CliTest::sendOnce_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("logged");
    QTest::newRow("ok") << QStringList{"--target", "3", "--data", "01 02"} << 0 << 0
                        << "Send data ok."
                        << "target=3 ack=0 jump=7 mode=1 relays=0 data=0102";
    QTest::newRow("source routing")
        << QStringList{"--target", "6",        "--mode",    "source", "--jump",
                       "3",        "--relays", "0004,0005", "--data", "aa"}
        << 0 << 0 << "Send data ok."
        << "target=6 ack=0 jump=3 mode=3 relays=2 via=0004,0005 data=AA";
    QTest::newRow("unknown target")
        << QStringList{"--target", "999", "--data", "01"} << 1 << 0xC7 << "Route not found."
        << "target=999 ack=0 jump=7 mode=1 relays=0 data=01";
}

void CliTest::sendOnce() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(QString, logged);
    // A module on the line, which hears the request only once the line has carried it: the
    // round trip starts there.
    QVERIFY2(start(kPacedReplies), qPrintable(m_simulator->error()));
    const CliResult result = run(QStringList{"send", "--json"} + arguments);
    QCOMPARE(result.exitCode, exitCode);
    const QJsonObject reply = json(result.out).object();
    QCOMPARE(reply.value("status").toInt(), status);
    QCOMPARE(reply.value("text").toString(), text);
    QVERIFY(reply.value("round_trip_ms").toDouble() > 0);
    QVERIFY2(m_simulator->lastRequest().startsWith("request send-data " + logged),
             qPrintable(m_simulator->lastRequest()));
}

void CliTest::linkTestSummary_data() {
    QTest::addColumn<QStringList>("simulatorOptions");
    QTest::newRow("replies paced like the line") << kPacedReplies;
    // A pseudo-terminal, native USB or a bridge: sooner than 9600 baud could carry them.
    QTest::newRow("replies at once") << QStringList();
}

void CliTest::linkTestSummary() {
    QFETCH(QStringList, simulatorOptions);
    QVERIFY2(start(simulatorOptions), qPrintable(m_simulator->error()));
    const CliResult result = run(
        {"send", "--target", "3", "--data", "01", "--count", "20", "--interval", "0", "--json"});
    QCOMPARE(result.exitCode, 0);
    const QJsonObject summary = json(result.out).object();
    QCOMPARE(summary.value("sent").toInt(), 20);
    QCOMPARE(summary.value("ok").toInt(), 20);
    QCOMPARE(summary.value("no_reply").toInt(), 0);
    QCOMPARE(summary.value("late").toInt(), 0);
    QCOMPARE(summary.value("unmatched").toInt(), 0);
    QCOMPARE(summary.value("statuses").toObject(), QJsonObject());
    const QJsonObject trips = summary.value("round_trip_ms").toObject();
    QVERIFY(trips.value("min").toDouble() >= 0);
    QVERIFY(trips.value("min").toDouble() <= trips.value("median").toDouble());
    QVERIFY(trips.value("p95").toDouble() <= trips.value("max").toDouble());
    QCOMPARE(m_simulator->countRequests("request send-data"), 20);
}

void CliTest::linkTestOnASlowMesh_data() {
    QTest::addColumn<QString>("timeoutMs");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("ok");
    QTest::addColumn<int>("late");
    // The last send's confirmation comes after the run has ended.
    QTest::newRow("time-out 1000 ms: every reply late") << "1000" << 4 << 0 << 3;
    QTest::newRow("time-out 3000 ms: every reply in time") << "3000" << 0 << 4 << 0;
}

// Links that take 1.4 s: a confirmation after its send's time-out is late, and never taken for
// the next send's.
void CliTest::linkTestOnASlowMesh() {
    QFETCH(QString, timeoutMs);
    QFETCH(int, exitCode);
    QFETCH(int, ok);
    QFETCH(int, late);
    const QString mesh = m_desk->writeFile("mesh.txt", "route 3 via 3\nlink 1 3 1 1400\n");
    QVERIFY2(start(kPacedReplies + QStringList{"--mesh", mesh}), qPrintable(m_simulator->error()));
    const CliResult result = run({"send", "--target", "3", "--data", "01", "--count", "4",
                                  "--interval", "200", "--timeout", timeoutMs, "--json"});
    QVERIFY2(result.exitCode == exitCode, result.err.constData());
    const QJsonObject summary = json(result.out).object();
    QCOMPARE(summary.value("sent").toInt(), 4);
    QCOMPARE(summary.value("ok").toInt(), ok);
    QCOMPARE(summary.value("no_reply").toInt(), 4 - ok);
    QCOMPARE(summary.value("late").toInt(), late);
    QCOMPARE(summary.value("unmatched").toInt(), 0);
    const QJsonObject trips = summary.value("round_trip_ms").toObject();
    QCOMPARE(trips.isEmpty(), ok == 0);
    if (ok > 0) {
        QVERIFY2(trips.value("min").toDouble() >= 1400, result.out.constData());
        QVERIFY2(trips.value("max").toDouble() < 1600, result.out.constData());
    }
}

void CliTest::rawRequestAndReply() {
    QVERIFY2(start(), qPrintable(m_simulator->error()));
    const CliResult raw = run({"raw", "01 00 08 00", "--json"});
    QCOMPARE(raw.exitCode, 0);
    const QJsonObject exchange = json(raw.out).object();
    QCOMPARE(exchange.value("sent").toString(), QStringLiteral("01 00 08 00 09"));
    QVERIFY(exchange.value("reply").toString().startsWith(QStringLiteral("01 00 88 ")));
    QCOMPARE(exchange.value("reply").toString().size(), 32 * 3 - 1);

    // Sent unchanged: the module refuses the missing check byte and answers nothing.
    QCOMPARE(run({"raw", "--as-is", "01 00 03 00", "--timeout", "300"}).exitCode, 4);
    QVERIFY(m_simulator->lastRequest().startsWith(QStringLiteral("rejected")));
}

void CliTest::interruptPrintsTheSummary_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("simulatorOptions");
    QTest::addColumn<QByteArray>("firstLine");
    QTest::addColumn<QByteArray>("summary");
    QTest::newRow("link test") << QStringList{"send",    "--target", "3",          "--data", "01",
                                              "--count", "100000",   "--interval", "20"}
                               << kPacedReplies << QByteArray("00 Send data ok. ")
                               << QByteArray("Link test: ");
    QTest::newRow("monitor") << QStringList{"monitor"} << QStringList{"--notice-every", "1"}
                             << QByteArray(" 05 00 82 ") << QByteArray("Monitor: ");
    QTest::newRow("monitor as JSON lines")
        << QStringList{"monitor", "--json"} << QStringList{"--notice-every", "1"}
        << QByteArray(R"("bytes":"05 00 82 )") << QByteArray(R"({"blocks":)");
}

void CliTest::interruptPrintsTheSummary() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, simulatorOptions);
    QFETCH(QByteArray, firstLine);
    QFETCH(QByteArray, summary);
    QVERIFY2(start(simulatorOptions), qPrintable(m_simulator->error()));
    QProcess cli;
    startCli(cli, QStringList{"-p", port()} + arguments);
    QTRY_VERIFY_WITH_TIMEOUT(cli.canReadLine(), kWaitMs);
    QVERIFY(cli.readLine().contains(firstLine));
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    const CliResult result = finishCli(cli);
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(
        QString::fromUtf8(result.out).split(u'\n').filter(QString::fromUtf8(summary)).size() == 1,
        result.out.constData());
    if (arguments.contains("--json")) {
        for (const QByteArray& line : result.out.trimmed().split('\n'))
            QVERIFY2(json(line).isObject(), line.constData());
    }
    // The port was closed cleanly: the next run opens it.
    QCOMPARE(run({"read"}).exitCode, 0);
}

void CliTest::faults_data() {
    QTest::addColumn<QStringList>("simulatorOptions");
    QTest::addColumn<bool>("lockPort");
    QTest::addColumn<QString>("portName");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("absent") << QStringList() << false << "COM77" << 3 << "No such device: ";
    // The line names the port once.
    QTest::newRow("no alias") << QStringList() << false << "COM250" << 3
                              << "No such device: no alias of that name in ";
    QTest::newRow("not a port") << QStringList() << false << "/dev/null" << 3
                                << "Not a serial port: /dev/null";
    QTest::newRow("in use") << QStringList() << true << "" << 3 << "In use by another program";
    QTest::newRow("no reply") << QStringList{"--fault", "silence"} << false << "" << 4
                              << "no reply within 300 ms";
    // Half a setup reply and its own check byte: still waited for, and said.
    QTest::newRow("reply cut short") << QStringList{"--fault", "short"} << false << "" << 4
                                     << "no reply within 300 ms (9 bytes of an unfinished frame)";
    QTest::newRow("bad check") << QStringList{"--fault", "bad-check"} << false << "" << 4
                               << "the reply's check byte is wrong: 01 00 82 ";
    QTest::newRow("bad check behind a notice")
        << QStringList{"--fault", "bad-check", "--notice-before-reply"} << false << "" << 4
        << "the reply's check byte is wrong: 01 00 82 ";
}

void CliTest::faults() {
    QFETCH(QStringList, simulatorOptions);
    QFETCH(bool, lockPort);
    QFETCH(QString, portName);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QVERIFY2(start(simulatorOptions), qPrintable(m_simulator->error()));
    if (portName.isEmpty()) portName = port();
    int other = -1;
    if (lockPort) {
        other = ::open(qPrintable(m_simulator->device()), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    }
    const CliResult result = runCli({"-p", portName, "read", "--timeout", "300"});
    if (other >= 0) ::close(other);
    QCOMPARE(result.exitCode, exitCode);
    const QByteArray err = withoutNotices(result.err);
    QVERIFY2(err.startsWith(("meshcfg-cli: " + portName + ": " + message).toUtf8()),
             result.err.constData());
    QCOMPARE(err.count('\n'), 1);
    QCOMPARE(result.out, QByteArray());
}

void CliTest::noticesAreNeverReplies_data() {
    QTest::addColumn<QStringList>("simulatorOptions");
    QTest::addColumn<bool>("noticeBeforeEveryReply");
    QTest::newRow("a notice in front of every reply")
        << kPacedReplies + QStringList{"--notice-before-reply"} << true;
    QTest::newRow("a notice every second") << kPacedReplies << false;
}

void CliTest::noticesAreNeverReplies() {
    QFETCH(QStringList, simulatorOptions);
    QFETCH(bool, noticeBeforeEveryReply);
    QVERIFY2(start(simulatorOptions), qPrintable(m_simulator->error()));
    const CliResult test = run(
        {"send", "--target", "3", "--data", "01", "--count", "200", "--interval", "0", "--json"});
    QCOMPARE(test.exitCode, 0);
    const QJsonObject summary = json(test.out).object();
    QCOMPARE(summary.value("sent").toInt(), 200);
    QCOMPARE(summary.value("ok").toInt(), m_simulator->countRequests("request send-data"));
    QCOMPARE(summary.value("no_reply").toInt(), 0);
    // Notices on their own timer may come too, before the run or after it.
    const int notices = summary.value("notices").toInt();
    QVERIFY(notices <= m_simulator->countRequests("notice source="));
    if (noticeBeforeEveryReply) QVERIFY2(notices >= 200, qPrintable(QString::number(notices)));

    for (int i = 0; i < 5; ++i) {
        const CliResult read = run({"read"});
        QCOMPARE(read.exitCode, 0);
        QVERIFY2(read.out.startsWith("frequency="), read.out.constData());
        QCOMPARE(withoutNotices(read.err), QByteArray());
        if (noticeBeforeEveryReply) QVERIFY2(read.err.startsWith("notice 05 00 82 "), read.err);
    }
    const CliResult asJson = run({"read", "--json"});
    QCOMPARE(asJson.exitCode, 0);
    QVERIFY(json(asJson.out).isObject());
    QCOMPARE(asJson.err, QByteArray());
}

void CliTest::interruptIsItsOwnOutcome_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("faultPlan");  // the replies that never come
    QTest::addColumn<QString>("awaitedRequest");
    QTest::addColumn<QString>("reportWhy");  // empty: no report
    QTest::newRow("read") << QStringList{"read"} << "silence"
                          << "request read-setup"
                          << "";
    QTest::newRow("route") << QStringList{"route"} << "silence"
                           << "request read-route"
                           << "";
    QTest::newRow("raw") << QStringList{"raw", "01 00 08 00"} << "silence"
                         << "request read-path"
                         << "";
    QTest::newRow("apply waiting for the acknowledgement")
        << QStringList{"apply", "PROFILE", "--report", "REPORT"} << "silence:2"
        << "request write-setup"
        << "interrupted waiting for the write's acknowledgement: the write had gone out whole";
    QTest::newRow("apply reading the module")
        << QStringList{"apply", "PROFILE", "--report", "REPORT"} << "silence"
        << "request read-setup"
        << "interrupted reading the module: nothing written";
}

void CliTest::interruptIsItsOwnOutcome() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, faultPlan);
    QFETCH(QString, awaitedRequest);
    QFETCH(QString, reportWhy);
    QVERIFY2(start({"--fault", faultPlan}), qPrintable(m_simulator->error()));
    const QString report = m_desk->file("report.csv");
    arguments.replaceInStrings(QStringLiteral("PROFILE"), m_desk->writeLineProfile());
    arguments.replaceInStrings(QStringLiteral("REPORT"), report);
    QProcess cli;
    startCli(cli, QStringList{"-p", port(), "--timeout", "20000"} + arguments);
    QTRY_VERIFY_WITH_TIMEOUT(m_simulator->countRequests(awaitedRequest) == 1, kWaitMs);
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    const CliResult result = finishCli(cli);
    QCOMPARE(result.exitCode, 130);
    QCOMPARE(withoutNotices(result.err), QByteArray("interrupted\n"));
    if (reportWhy.isEmpty()) return;
    QFile csv(report);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 2);
    QVERIFY2(rows[1].contains(",FAIL," + reportWhy + ","), qPrintable(rows[1]));
}

void CliTest::hangUpEndsTheRun_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("simulatorOptions");
    QTest::addColumn<QByteArray>("summary");  // empty: none
    QTest::newRow("read waiting for its reply")
        << QStringList{"read", "--timeout", "20000"} << QStringList{"--fault", "silence"}
        << QByteArray();
    QTest::newRow("link test") << QStringList{"send",    "--target", "3",          "--data", "01",
                                              "--count", "100000",   "--interval", "20"}
                               << QStringList() << QByteArray("Link test: ");
    QTest::newRow("monitor") << QStringList{"monitor"} << QStringList() << QByteArray("Monitor: ");
}

void CliTest::hangUpEndsTheRun() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, simulatorOptions);
    QFETCH(QByteArray, summary);
    QVERIFY2(start(simulatorOptions), qPrintable(m_simulator->error()));
    QProcess cli;
    startCli(cli, QStringList{"-p", port()} + arguments);
    // Under way: a request went out, or the monitor showed a notice.
    QTRY_VERIFY_WITH_TIMEOUT(m_simulator->requests().size() > 0 || cli.bytesAvailable() > 0,
                             kWaitMs);
    m_simulator->pullCable();
    const CliResult result = finishCli(cli);
    QCOMPARE(result.exitCode, 3);
    QCOMPARE(withoutNotices(result.err),
             ("meshcfg-cli: " + port() + " lost: the device hung up\n").toUtf8());
    if (!summary.isEmpty()) QVERIFY2(result.out.contains(summary), result.out.constData());
}

void CliTest::monitorFollowsTheDevice() {
    QVERIFY2(start(), qPrintable(m_simulator->error()));
    QProcess cli;
    startCli(cli, {"-p", port(), "monitor", "--follow"});
    QTRY_VERIFY_WITH_TIMEOUT(cli.canReadLine(), kWaitMs);
    m_simulator->pullCable();
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT(
        (err += cli.readAllStandardError()).contains(" lost: the device hung up"), kWaitMs);
    cli.readAllStandardOutput();
    QVERIFY2(m_simulator->plugCable(), qPrintable(m_simulator->error()));
    // Back on the new terminal: the next notice is shown.
    QTRY_VERIFY_WITH_TIMEOUT(cli.canReadLine(), kWaitMs);
    QVERIFY(cli.readLine().contains(" 05 00 82 "));
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    const CliResult result = finishCli(cli);
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.out.contains("Monitor: "), result.out.constData());
}

// "meshcfg-cli monitor | head -n 1": the block after the first finds the pipe closed, and the
// monitor ends by itself, not by the signal such a write raises.
void CliTest::monitorEndsWhenItsReaderGoes() {
    QVERIFY2(start(), qPrintable(m_simulator->error()));
    QProcess shell;
    shell.start(QStringLiteral("bash"),
                {"-c", "\"$0\" \"$@\" | head -n 1 >/dev/null; echo \"status ${PIPESTATUS[0]}\"",
                 cliProgram(), "-p", port(), "monitor"});
    QVERIFY(shell.waitForFinished(kWaitMs));
    QCOMPARE(shell.readAllStandardOutput(), QByteArray("status 0\n"));
}

QTEST_GUILESS_MAIN(CliTest)
#include "CliTest.moc"
