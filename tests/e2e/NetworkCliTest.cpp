// meshcfg-cli through a real ser2net in front of qz470-sim: every command sends the bytes it
// sends to the simulator's terminal directly, the line is set as asked, a ports.toml name
// reaches the server, and a server that dies ends the run with its summary and exit 3.

#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "CliRun.h"
#include "Ser2netServer.h"
#include "SimulatedDesk.h"
#include "SimulatorBench.h"

namespace {

constexpr int kWaitMs = 20000;

}  // namespace

class NetworkCliTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_desk = std::make_unique<SimulatedDesk>();
        m_simulator = &m_desk->addSimulator();
        QVERIFY2(m_simulator->start(kUnpacedLine), qPrintable(m_simulator->error()));
        m_server =
            std::make_unique<Ser2netServer>(m_desk->folder(), m_simulator->device().toStdString());
        QVERIFY2(m_server->start(m_termiosLog = m_desk->file("termios.log").toStdString()),
                 m_server->error().c_str());
    }
    void cleanup() {
        m_server.reset();
        m_desk.reset();
    }

    void sameBytesAsTheTerminal_data();
    void sameBytesAsTheTerminal();
    void thousandSendsByteForByte();
    void lineSettingsReachTheTerminal();
    void serverKilledDuringLinkTest();
    void portsFileNamesTheServer();

  private:
    QString url() const { return QString::fromStdString(m_server->url()); }
    QString comPort() const { return QStringLiteral("COM%1").arg(m_simulator->port()); }
    // What the simulator logs for one run against port.
    QStringList requestsOf(const QString& port, const QStringList& arguments, CliResult& result) {
        const int before = m_simulator->requests().size();
        result = runCli(QStringList{"-p", port} + arguments);
        return m_simulator->requests().mid(before);
    }

    std::unique_ptr<SimulatedDesk> m_desk;
    SimulatorProcess* m_simulator = nullptr;
    std::unique_ptr<Ser2netServer> m_server;
    std::string m_termiosLog;
};

void NetworkCliTest::sameBytesAsTheTerminal_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("sameOutput");  // false where round-trip times are printed
    QTest::newRow("read") << QStringList{"read", "--json"} << true;
    QTest::newRow("write") << QStringList{"write", "--node-id", "7", "--verify"} << true;
    QTest::newRow("apply") << QStringList{"apply", "PROFILE"} << true;
    QTest::newRow("route") << QStringList{"route", "--json"} << true;
    QTest::newRow("path") << QStringList{"path", "--json"} << true;
    QTest::newRow("full of FF") << QStringList{"send",   "--target", "65535",
                                               "--mode", "source",   "--relays",
                                               "FFFF",   "--data",   "FF FF FF"}
                                << false;
    QTest::newRow("telnet specials")
        << QStringList{"send", "--target", "3", "--data", "0D 00 0D 0A FF 0D"} << false;
}

void NetworkCliTest::sameBytesAsTheTerminal() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, sameOutput);
    const QString profile = m_desk->file("profile.toml");
    std::ofstream(profile.toStdString())
        << "frequency = 433.5\npower = 3\nlife_cycle = \"6h\"\nnetwork_id = 4660\n"
           "node_id = 258\nuart_baud = 9600\nuart_parity = \"NO\"\n";
    arguments.replaceInStrings(QStringLiteral("PROFILE"), profile);

    CliResult direct;
    const QStringList directRequests = requestsOf(comPort(), arguments, direct);
    CliResult remote;
    const QStringList remoteRequests = requestsOf(url(), arguments, remote);
    QVERIFY2(!directRequests.isEmpty(), direct.err.constData());
    QCOMPARE(remoteRequests, directRequests);
    QCOMPARE(remote.exitCode, direct.exitCode);
    QCOMPARE(remote.err, direct.err.replace(comPort().toUtf8(), url().toUtf8()));
    if (sameOutput) QCOMPARE(remote.out, direct.out);
}

// The simulator here answers unpaced, after its reply delay, through the server: every send of
// the link test gets its own confirmation.
void NetworkCliTest::thousandSendsByteForByte() {
    constexpr int kSends = 1000;
    CliResult result;
    const QStringList requests =
        requestsOf(url(),
                   {"--baud", "115200", "send", "--target", "3", "--data", "FF 0D 00 0A", "--count",
                    QString::number(kSends), "--interval", "0", "--json"},
                   result);
    QCOMPARE(result.exitCode, 0);
    const QJsonObject summary = QJsonDocument::fromJson(result.out).object();
    QCOMPARE(summary.value("sent").toInt(), kSends);
    QCOMPARE(summary.value("ok").toInt(), kSends);
    QCOMPARE(requests.size(), kSends);
    QCOMPARE(requests
                 .filter(QStringLiteral("request send-data target=3 ack=0 jump=7 mode=1 "
                                        "relays=0 data=FF0D000A check=ok status=00"))
                 .size(),
             kSends);
}

// Read from what ser2net applied to the simulator's terminal while the tool holds the port.
void NetworkCliTest::lineSettingsReachTheTerminal() {
    QProcess cli;
    startCli(cli, {"-p", url(), "--baud", "19200", "--parity", "EVEN", "monitor"});
    const std::string device = m_simulator->device().toStdString();
    QTRY_VERIFY_WITH_TIMEOUT(lastRecordedLine(m_termiosLog, device).parity == "even", kWaitMs);
    QCOMPARE(lastRecordedLine(m_termiosLog, device).baud, 19200u);
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    QCOMPARE(finishCli(cli).exitCode, 0);
}

void NetworkCliTest::serverKilledDuringLinkTest() {
    QProcess cli;
    startCli(cli, {"-p", url(), "--baud", "115200", "send", "--target", "3", "--data", "01",
                   "--count", "1000", "--interval", "0"});
    QTRY_VERIFY_WITH_TIMEOUT(m_simulator->countRequests("request send-data") >= 20, kWaitMs);
    m_server->kill();
    const CliResult result = finishCli(cli);
    QCOMPARE(result.exitCode, 3);
    QVERIFY2(result.out.contains("Link test: "), result.out.constData());
    QCOMPARE(result.err, ("meshcfg-cli: " + url() + " lost: the connection closed\n").toUtf8());
}

// COM200 is the simulator's alias: the file's claim on it is refused, the rest still works.
void NetworkCliTest::portsFileNamesTheServer() {
    const QString config = m_desk->file("config");
    std::filesystem::create_directories(config.toStdString() + "/meshcfg");
    std::ofstream(config.toStdString() + "/meshcfg/ports.toml")
        << "[ports]\nCOM150 = \"" << m_server->url() << "\"\n"
        << comPort().toStdString() << " = \"rfc2217://bench-3:3333\"\n";
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.toUtf8());

    const CliResult text = runCli({"ports"});
    const CliResult asJson = runCli({"ports", "--json"});
    CliResult read;
    const QStringList requests = requestsOf(QStringLiteral("COM150"), {"read"}, read);
    qputenv("XDG_CONFIG_HOME", previous);

    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.out.contains(("COM150 (" + url() + ")\n").toUtf8()), text.out.constData());
    QCOMPARE(text.err, ("meshcfg-cli: " + config + "/meshcfg/ports.toml:3: " + comPort() +
                        " is already " + m_simulator->device() +
                        " (a COM alias); this entry "
                        "is left out\n")
                           .toUtf8());
    QJsonObject listed;
    for (const QJsonValue entry : QJsonDocument::fromJson(asJson.out).array())
        if (entry.toObject().value("port") == QStringLiteral("COM150")) listed = entry.toObject();
    QCOMPARE(listed.value("url").toString(), url());
    QCOMPARE(read.exitCode, 0);
    QCOMPARE(requests, QStringList{QStringLiteral("request read-setup")});
}

QTEST_GUILESS_MAIN(NetworkCliTest)
#include "NetworkCliTest.moc"
