// The real meshcfg-cli against a lab of modules, the shipped example: route lists on two
// modules, data sent from one seen by monitor on the target, the module nobody hears, and the
// delivery test across the lab.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>
#include <cmath>

#include "CliRun.h"
#include "PortNames.h"
#include "ScopedRuntimeDir.h"

namespace {

constexpr int kWaitMs = 20000;

// Whether the tool holds the port, as it does while it has it open.
bool held(const QString& port) {
    const QString alias = QString::fromStdString(aliasDirectory()) + u'/' + port;
    const int fd = ::open(qPrintable(alias), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return locked;
}

}  // namespace

class LabCliTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_runtime = std::make_unique<ScopedRuntimeDir>();
        m_lab.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_lab.start(QStringLiteral(QZ470_SIM_PATH),
                    {"--lab", MESHCFG_EXAMPLE_LAB, "--seed", "1", "--quiet"});
        QVERIFY(m_lab.waitForStarted());
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += m_lab.readAllStandardOutput()).contains(" ready\n"),
                                 kWaitMs);
        QCOMPARE(out.count("qz470-sim: COM20"), 6);
    }
    void cleanup() {
        m_lab.terminate();
        QVERIFY(m_lab.waitForFinished());
        QCOMPARE(m_lab.exitCode(), 0);
        m_runtime.reset();
    }

    void routeListsOfTwoModules_data();
    void routeListsOfTwoModules();
    void sentDataIsSeenAtTheTarget();
    void moduleOnAnotherNetworkFindsNoRoute();
    void deliveryTestShowsEachLinksRate();

  private:
    std::unique_ptr<ScopedRuntimeDir> m_runtime;
    QProcess m_lab;
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
    QCOMPARE(lines.count() - 1 - run.out.count("\"event\":\"notice\""), 2 * kSends);
}

QTEST_GUILESS_MAIN(LabCliTest)
#include "LabCliTest.moc"
