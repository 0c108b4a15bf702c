// The real meshcfg-cli against a lab of modules, the shipped example: route lists on two
// modules, data sent from one seen by monitor on the target, the module nobody hears, and the
// delivery test across the lab: what its exit code and lines say once it ends, Ctrl+C, and
// output that did not all go out.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <vector>

#include "CliRun.h"
#include "PortNames.h"
#include "RunningLab.h"

namespace {

constexpr int kWaitMs = 20000;

// Whether the tool holds the port, as it does while it has it open.
bool held(const QString& port) {
    const QString alias = QString::fromStdString(ports::aliasDirectory()) + u'/' + port;
    const int fd = ::open(qPrintable(alias), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return locked;
}

// The one-way latencies of the sends delivered, in the order their data came, from a run's
// --json lines.
std::vector<double> deliveredLatencies(const QByteArray& out) {
    std::vector<double> latencies;
    for (const QByteArray& line : out.split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (event.value("event") == "notice" && event.value("kind") == "delivered")
            latencies.push_back(event.value("latency_ms").toDouble());
    }
    return latencies;
}

double median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

bool endsWithSummary(const QByteArray& out) {
    const QList<QByteArray> lines = out.trimmed().split('\n');
    return QJsonDocument::fromJson(lines.last()).object().contains("summary");
}

}  // namespace

class LabCliTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_lab = std::make_unique<RunningLab>(1);
        QVERIFY(m_lab->ready());
        QCOMPARE(m_lab->output().count("qz470-sim: COM20"), 6);
    }
    void cleanup() { QVERIFY(std::exchange(m_lab, nullptr)->stop()); }

    void routeListsOfTwoModules_data();
    void routeListsOfTwoModules();
    void sentDataIsSeenAtTheTarget();
    void moduleOnAnotherNetworkFindsNoRoute();
    void onePortNamedTwiceIsRefusedByEveryCommand_data();
    void onePortNamedTwiceIsRefusedByEveryCommand();
    void deliveryTestShowsEachLinksRate();
    void aCutRelayLinkMovesTheRouteAndLatency();
    void deliveryTestEnds_data();
    void deliveryTestEnds();
    void summaryWaitsOutAFullPipe();
    void outputThatDidNotGoOut_data();
    void outputThatDidNotGoOut();
    void sendsFasterThanTheLineArePaced();
    void aTargetLostMidRunLeavesTheSendsAddingUp();

  private:
    std::unique_ptr<RunningLab> m_lab;
};

void LabCliTest::routeListsOfTwoModules_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QByteArray>("routes");
    QTest::newRow("far end") << "COM200"
                             << QByteArray(
                                    "local=1\nroute=2 target=2\nroute=3 target=3\n"
                                    "route=3 target=4\nroute=2 target=6\n");
    QTest::newRow("relay") << "COM201"
                           << QByteArray(
                                  "local=2\nroute=1 target=1\nroute=1 target=3\n"
                                  "route=6 target=4\nroute=6 target=6\n");
}

void LabCliTest::routeListsOfTwoModules() {
    QFETCH(QString, port);
    QFETCH(QByteArray, routes);
    const CliResult result = runCli({"-p", port, "route"});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, routes);
}

void LabCliTest::sentDataIsSeenAtTheTarget() {
    QProcess monitor;
    startCli(monitor, {"-p", "COM205", "monitor"});
    QTRY_VERIFY_WITH_TIMEOUT(held("COM205"), kWaitMs);
    const CliResult sent = runCli({"-p", "COM200", "send", "--target", "6", "--data", "01 02"});
    QCOMPARE(sent.exitCode, 0);
    QVERIFY2(sent.out.startsWith("00 Send data ok. "), sent.out.constData());
    QTRY_VERIFY_WITH_TIMEOUT(monitor.canReadLine(), kWaitMs);
    // From node 1, over the last hop's link value 61, the two bytes.
    const QByteArray line = monitor.readLine();
    QVERIFY2(line.contains("  05 00 82 06 00 01 3D 02 01 02 BC  "), line.constData());
    ::kill(static_cast<pid_t>(monitor.processId()), SIGINT);
    QCOMPARE(finishCli(monitor).exitCode, 0);
    const CliResult path = runCli({"-p", "COM200", "path"});
    QCOMPARE(path.out, QByteArray("path=1 2 6\nlinks=-52 -61\n"));
}

void LabCliTest::moduleOnAnotherNetworkFindsNoRoute() {
    for (const char* target : {"1", "2", "6"}) {
        const CliResult sent = runCli({"-p", "COM204", "send", "--target", target, "--data", "01"});
        QVERIFY2(sent.out.startsWith("C7 Route not found. "), sent.out.constData());
    }
    QVERIFY(runCli({"-p", "COM204", "route"}).exitCode != 0);
}

// Each command that takes many ports reads them by one rule: an alias and the terminal it
// leads to are one port, refused with exit 2 in the same words before any port opens.
void LabCliTest::onePortNamedTwiceIsRefusedByEveryCommand_data() {
    QTest::addColumn<QStringList>("command");
    QTest::newRow("mesh survey") << QStringList{"mesh", "survey"};
    QTest::newRow("mesh test") << QStringList{"mesh", "test", "--count", "1"};
    QTest::newRow("apply") << QStringList{"apply", "PROFILE", "--node-ids", "301..309"};
}

void LabCliTest::onePortNamedTwiceIsRefusedByEveryCommand() {
    QFETCH(QStringList, command);
    QTemporaryDir folder;
    QFile profile(folder.filePath("line.toml"));
    QVERIFY(profile.open(QIODevice::WriteOnly));
    profile.write(
        "frequency = 434.0\npower = 7\nlife_cycle = \"1h\"\nnetwork_id = 1\nnode_id = 5\n"
        "uart_baud = 9600\nuart_parity = \"NO\"\n");
    profile.close();
    command.replaceInStrings("PROFILE", profile.fileName());
    const QString terminal =
        QFile::symLinkTarget(QString::fromStdString(ports::aliasDirectory()) + "/COM200");
    const CliResult result = runCli(QStringList{"-p", "COM200", "-p", terminal} + command);
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.err, ("meshcfg-cli: COM200 and " + terminal + " are one port (" + terminal +
                          "): name it once\n")
                             .toUtf8());
}

// The lossy link delivers at its rate, within four standard deviations of the binomial spread
// of the sends made; nothing reaches the module on another network id, and the run says so in
// its exit code.
void LabCliTest::deliveryTestShowsEachLinksRate() {
    constexpr int kSends = 150;
    constexpr double kLossyRate = 0.6;  // examples/lab.toml, the link between nodes 3 and 4
    const CliResult run = runCli({"-p", "COM200-COM205", "mesh", "test", "--pairs",
                                  "COM202:COM203,COM200:COM204", "--count", QString::number(kSends),
                                  "--interval", "20", "--min-delivery", "0.95", "--json"});
    QCOMPARE(run.exitCode, 1);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    const QJsonObject last = QJsonDocument::fromJson(lines.last()).object();
    const QJsonArray pairs = last.value("summary").toObject().value("pairs").toArray();
    QCOMPARE(pairs.size(), 2);
    const QJsonObject lossy = pairs[0].toObject();
    const QJsonObject isolated = pairs[1].toObject();
    QCOMPARE(lossy.value("from").toString(), QStringLiteral("COM202"));
    QCOMPARE(lossy.value("sent").toInt(), kSends);
    const double share = lossy.value("delivered").toDouble() / kSends;
    const double spread = 4 * std::sqrt(kLossyRate * (1 - kLossyRate) / kSends);
    QVERIFY2(std::abs(share - kLossyRate) <= spread, qPrintable(QString::number(share)));
    QVERIFY(lossy.value("latency_ms").toObject().value("p50").toDouble() > 0);
    QCOMPARE(isolated.value("to").toString(), QStringLiteral("COM204"));
    QCOMPARE(isolated.value("sent").toInt(), kSends);
    QCOMPARE(isolated.value("delivered").toInt(), 0);
    // Every send's fate came as a line of its own before the summary.
    QCOMPARE(run.out.count("\"event\":\"send\""), 2 * kSends);
}

// The far ends' link to relay 2 cut while a run goes on: the pair keeps delivering over 3 and 4
// instead, one hop more, and its one-way latency grows by what the lab's links say (20 + 25 ms
// over relay 2, 15 + 60 + 30 ms the other way). Only medians are compared, so that a loaded
// machine's stray delays do not count.
void LabCliTest::aCutRelayLinkMovesTheRouteAndLatency() {
    constexpr int kSends = 60;
    constexpr std::size_t kCompared = 8;  // deliveries before the cut, and at the run's end
    constexpr double kLongerMs = (15 + 60 + 30) - (20 + 25);
    QProcess run;
    startCli(run, {"-p", "COM200", "-p", "COM205", "mesh", "test", "--pairs", "COM200:COM205",
                   "--count", QString::number(kSends), "--interval", "50", "--json"});
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT(
        deliveredLatencies(out += run.readAllStandardOutput()).size() >= kCompared, kWaitMs);
    const std::vector<double> before = deliveredLatencies(out);
    QVERIFY(m_lab->cut(RunningLab::kFirstRelayLink));
    QVERIFY2(m_lab->says("lab reloaded: 6 links"), m_lab->output().constData());
    const CliResult result = finishCli(run);
    QCOMPARE(result.exitCode, 0);
    const std::vector<double> all = deliveredLatencies(out + result.out);
    QVERIFY2(all.size() >= before.size() + 2 * kCompared, (out + result.out).constData());
    const double medianBefore = median({before.begin(), before.begin() + kCompared});
    const double medianAfter = median({all.end() - kCompared, all.end()});
    QVERIFY2(medianAfter - medianBefore >= kLongerMs / 2,
             qPrintable(QStringLiteral("%1 ms, then %2 ms").arg(medianBefore).arg(medianAfter)));
    const QJsonObject last =
        QJsonDocument::fromJson(result.out.trimmed().split('\n').last()).object();
    const QJsonObject pair = last["summary"]["pairs"][0].toObject();
    QCOMPARE(pair["sent"].toInt(), kSends);
    QCOMPARE(pair["delivered"].toInt(), static_cast<int>(all.size()));
    QCOMPARE(runCli({"-p", "COM200", "path"}).out, QByteArray("path=1 3 4 6\nlinks=-48 -97 -70\n"));
}

// The exit code says how the pairs did; each one that fell short is a line of its own.
void LabCliTest::deliveryTestEnds_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("interrupted");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");  // the whole of standard error, as a pattern
    QTest::newRow("all delivered")
        << QStringList{"--pairs", "COM200:COM201", "--count", "5"} << false << 0 << QString("");
    QTest::newRow("nothing delivered")
        << QStringList{"--pairs", "COM200:COM204", "--count", "3", "--timeout", "300"} << false << 1
        << QString("meshcfg-cli: COM200 -> COM204 delivered none of 3 sends\n");
    QTest::newRow("at --min-delivery")
        << QStringList{"--pairs", "COM200:COM201", "--count", "5", "--min-delivery", "0.9"} << false
        << 0 << QString("");
    QTest::newRow("under --min-delivery")
        << QStringList{"--pairs", "COM202:COM203", "--count", "40", "--min-delivery", "0.95"}
        << false << 1
        << QString(R"(meshcfg-cli: COM202 -> COM203 delivered \d+ of 40 sends \(\d+\.\d%, )"
                   R"(below 95%\)\n)");
    QTest::newRow("Ctrl+C") << QStringList{"--pairs", "COM200:COM201", "--count", "1000"} << true
                            << 130 << QString("");
}

void LabCliTest::deliveryTestEnds() {
    QFETCH(QStringList, options);
    QFETCH(bool, interrupted);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QProcess run;
    startCli(run, QStringList{"-p", "COM200-COM205", "mesh", "test", "--interval", "20", "--json"} +
                      options);
    if (interrupted) {
        QVERIFY(run.waitForReadyRead(kWaitMs));
        ::kill(static_cast<pid_t>(run.processId()), SIGINT);
    }
    const CliResult result = finishCli(run);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(endsWithSummary(result.out), result.out.constData());
    const QRegularExpression whole(QRegularExpression::anchoredPattern(err));
    QVERIFY2(whole.match(QString::fromUtf8(result.err)).hasMatch(), result.err.constData());
}

// Ctrl+C while the program waits to write to a full pipe: the summary still comes whole once the
// pipe is read, and the exit code says the run was cut short.
void LabCliTest::summaryWaitsOutAFullPipe() {
    const QTemporaryDir folder;
    const QString fifo = folder.filePath("out");
    QVERIFY(::mkfifo(qPrintable(fifo), 0600) == 0);
    const int out = ::open(qPrintable(fifo), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ::fcntl(out, F_SETPIPE_SZ, 4096);
    QProcess run;
    run.setStandardOutputFile(fifo);
    startCli(run, {"-p", "COM200", "-p", "COM201", "mesh", "test", "--count", "100000",
                   "--interval", "20", "--json"});
    int held = 0;
    QElapsedTimer steady;
    const auto waitsToWrite = [&] {  // the pipe holds bytes and took no more for half a second
        int now = 0;
        ::ioctl(out, FIONREAD, &now);
        if (now != held) steady.start();
        held = now;
        return held > 0 && steady.elapsed() >= 500;
    };
    QTRY_VERIFY_WITH_TIMEOUT(waitsToWrite(), kWaitMs);
    ::kill(static_cast<pid_t>(run.processId()), SIGINT);
    QTest::qWait(200);  // the signal comes while the write waits
    ::fcntl(out, F_SETFL, 0);
    QByteArray printed;
    char chunk[4096];
    for (ssize_t got; (got = ::read(out, chunk, sizeof chunk)) > 0;) printed.append(chunk, got);
    ::close(out);
    QCOMPARE(finishCli(run).exitCode, 130);
    QVERIFY2(endsWithSummary(printed), printed.right(300).constData());
}

// A full disk or a file size limit cuts what is written: exit 7 and one line naming what; the
// CSV file keeps only whole rows.
void LabCliTest::outputThatDidNotGoOut_data() {
    QTest::addColumn<QString>("shell");  // run with the program and its arguments after it
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("err");
    const QStringList test{"-p",   "COM200",  "-p", "COM201",     "mesh",
                           "test", "--count", "3",  "--interval", "40"};
    const QString stdoutLost =
        "meshcfg-cli: standard output: cannot be written: what was printed is not all there\n";
    QTest::newRow("JSON lines to a full disk")
        << "exec \"$0\" \"$@\" >/dev/full" << test + QStringList{"--json"} << stdoutLost;
    QTest::newRow("the table to a full disk")
        << "exec \"$0\" \"$@\" >/dev/full" << test << stdoutLost;
    QTest::newRow("a route list to a full disk")
        << "exec \"$0\" \"$@\" >/dev/full" << QStringList{"-p", "COM200", "route"} << stdoutLost;
    QTest::newRow("help to a full disk")
        << "exec \"$0\" \"$@\" >/dev/full" << QStringList{"--help"} << stdoutLost;
    QTest::newRow("CSV beyond the file size limit")
        << "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\" >/dev/null"
        << QStringList{"-p",      "COM200", "-p",         "COM201", "mesh",  "test",
                       "--count", "40",     "--interval", "40",     "--csv", "CSV"}
        << "meshcfg-cli: CSV: cannot be written: File too large; the sends from here on are not "
           "in it\n";
}

void LabCliTest::outputThatDidNotGoOut() {
    QFETCH(QString, shell);
    QFETCH(QStringList, arguments);
    QFETCH(QString, err);
    const QTemporaryDir folder;
    const QString csv = folder.filePath("sends.csv");
    arguments.replaceInStrings(QRegularExpression("^CSV$"), csv);
    QProcess run;
    run.start("bash", QStringList{"-c", shell, cliProgram()} + arguments);
    QVERIFY(run.waitForFinished(kWaitMs));
    const QString said = QString::fromUtf8(run.readAllStandardError());
    QVERIFY2(run.exitCode() == 7, qPrintable(QString("exit %1: %2").arg(run.exitCode()).arg(said)));
    QCOMPARE(said, err.replace("CSV", csv));
    QFile rows(csv);
    if (!rows.open(QIODevice::ReadOnly)) return;
    const QByteArray text = rows.readAll();
    QVERIFY(text.endsWith('\n'));
    for (const QByteArray& row : text.trimmed().split('\n')) QCOMPARE(row.count(','), 9);
    QVERIFY2(text.count('\n') < 41, text.constData());
}

// Asked for a send every 10 ms both ways at 9600 baud, where each port's line needs 34.4 ms for
// a send in and a confirmation and a notice out: the tool says it keeps 34.4 ms, and the far
// ends' link shows what the lab gives it, every send delivered after the link's 20 ms, the
// module's 10 ms and the notice's 26 ms on the line, rather than the tool's queue.
void LabCliTest::sendsFasterThanTheLineArePaced() {
    // Enough sends that, unpaced, they would pile past the module's 512-byte input.
    constexpr int kSends = 40;
    constexpr double kLabMs = 20 + 10 + 26;
    const CliResult run = runCli({"-p", "COM200", "-p", "COM201", "mesh", "test", "--count",
                                  QString::number(kSends), "--interval", "10", "--json"});
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    const QJsonObject paced = QJsonDocument::fromJson(lines.first()).object();
    QCOMPARE(paced["event"].toString(), QStringLiteral("interval_stretched"));
    QCOMPARE(paced["interval_ms"].toDouble(), 10.0);
    QCOMPARE(paced["paced_ms"].toDouble(), 34.4);
    const QJsonObject last = QJsonDocument::fromJson(lines.last()).object();
    for (const QJsonValue pair : last["summary"]["pairs"].toArray()) {
        const QJsonObject figures = pair.toObject();
        QCOMPARE(figures["delivered"].toInt(), kSends);
        const double p95 = figures["latency_ms"]["p95"].toDouble();
        QVERIFY2(p95 >= kLabMs && p95 < 2 * kLabMs, qPrintable(QString::number(p95)));
        QCOMPARE(figures["sends_per_s"]["asked"].toDouble(), 100.0);
        // Never two sends closer than a send's 28.125 ms on the line.
        QVERIFY(figures["sends_per_s"]["reached"].toDouble() <= 1000 / 28.125);
    }
    // The lab says an overflow a second after its last dropped byte.
    QVERIFY2(!m_lab->says("overflow", 1500), m_lab->output().constData());
}

// The target's cable pulled while a run goes on, never plugged back: the send on its way is left
// out and the rest are not sent, and with what was sent they make the count asked.
void LabCliTest::aTargetLostMidRunLeavesTheSendsAddingUp() {
    constexpr int kSends = 60;
    QProcess run;
    startCli(run,
             {"-p", "COM200", "-p", "COM201", "mesh", "test", "--pairs", "COM200:COM201", "--count",
              QString::number(kSends), "--interval", "50", "--patience", "1", "--json"});
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT(deliveredLatencies(out += run.readAllStandardOutput()).size() >= 5,
                             kWaitMs);
    QVERIFY(m_lab->edit("id = 2\ncom = 201\n", "id = 2\ncom = 201\ncable = \"pulled\"\n"));
    const CliResult result = finishCli(run);
    QCOMPARE(result.exitCode, 3);
    const QJsonObject last =
        QJsonDocument::fromJson(result.out.trimmed().split('\n').last()).object();
    const QJsonObject pair = last["summary"]["pairs"][0].toObject();
    QVERIFY2(pair["not_sent"].toInt() > 0, result.out.constData());
    QCOMPARE(pair["sent"].toInt() + pair["left_out"].toInt() + pair["not_sent"].toInt(), kSends);
    QCOMPARE(pair["asked"].toInt(), kSends);
}

QTEST_GUILESS_MAIN(LabCliTest)
#include "LabCliTest.moc"
