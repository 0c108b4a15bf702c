// The real main window opening ports.toml entries served by a real ser2net in front of
// qz470-sim: the connection is made off the window thread, a failure is one log line, and a
// server that goes away and comes back is a port lost and back.

#include <QAbstractButton>
#include <QComboBox>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "CMeshcfgDlg.h"
#include "PortNames.h"
#include "QZSerial.h"
#include "Ser2netServer.h"
#include "SimulatedDesk.h"
#include "SimulatorBench.h"

using namespace res;

namespace {

constexpr int kServed = 150;    // served by the running server
constexpr int kUnserved = 151;  // a server that cannot serve it

}  // namespace

class NetworkWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void entryOpensOffTheWindowThread();
    void failureIsOneLine_data();
    void failureIsOneLine();
    void serverRestartIsLostAndBack();
    void pulledCableIsLostThenBack_data();
    void pulledCableIsLostThenBack();

  private:
    std::string folder(const std::string& name) const {
        const std::string path = m_desk->folder() + "/" + name;
        std::filesystem::create_directories(path);
        return path;
    }
    // The ports file names both, then the window lists it.
    void startWindow(const std::string& unservedUrl = "rfc2217://127.0.0.1:9",
                     std::string servedUrl = {}) {
        if (servedUrl.empty()) servedUrl = m_server->url();
        std::ofstream(folder("config/meshcfg") + "/ports.toml")
            << "[ports]\nCOM" << kServed << " = \"" << servedUrl << "\"\nCOM" << kUnserved
            << " = \"" << unservedUrl << "\"\n";
        m_dlg = std::make_unique<app::CMeshcfgDlg>();
    }
    void pressOpen(int port) {
        auto* list = m_dlg->item<QComboBox>(kIdPortList);
        list->setCurrentIndex(
            list->findText(QStringLiteral("COM%1 (").arg(port), Qt::MatchStartsWith));
        QVERIFY(list->currentIndex() >= 0);
        QTest::mouseClick(openClose(), Qt::LeftButton);
    }
    QAbstractButton* openClose() const { return m_dlg->item<QAbstractButton>(kIdOpenClose); }
    QStringList logLines(const QString& prefix) const {
        QStringList lines = m_dlg->log().allText().split(u'\n');
        lines.removeIf([&](const QString& line) { return !line.startsWith(prefix); });
        return lines;
    }
    void readIsAnswered() {
        const int before = logLines("> Read successful.(").size();
        QTest::mouseClick(m_dlg->item<QAbstractButton>(kIdRead), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(logLines("> Read successful.(").size(), before + 1,
                                  SimulatorBench::kWaitMs);
    }

    std::unique_ptr<SimulatedDesk> m_desk;
    QByteArray m_configHome;
    SimulatorProcess* m_simulator = nullptr;
    std::unique_ptr<Ser2netServer> m_server;
    std::unique_ptr<app::CMeshcfgDlg> m_dlg;
};

void NetworkWindowTest::init() {
    m_desk = std::make_unique<SimulatedDesk>();
    m_configHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder("config")));
    m_simulator = m_desk->startSimulator(kUnpacedLine);
    QVERIFY2(m_simulator, qPrintable(m_desk->startError()));
    m_server =
        std::make_unique<Ser2netServer>(folder("served"), m_simulator->device().toStdString());
    QVERIFY2(m_server->start(), m_server->error().c_str());
}

void NetworkWindowTest::cleanup() {
    m_dlg.reset();
    m_server.reset();
    m_desk->stopSimulators();
    qputenv("XDG_CONFIG_HOME", m_configHome);
    m_desk.reset();
}

void NetworkWindowTest::entryOpensOffTheWindowThread() {
    startWindow();
    pressOpen(kServed);
    // The handler has returned before the connection stands.
    QCOMPARE(openClose()->text(), QStringLiteral("Opening..."));
    QVERIFY(!openClose()->isEnabled());
    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity, kIdRefresh})
        QVERIFY(m_dlg->item<QWidget>(id)->isEnabled());
    for (int id : kCommandButtons) QVERIFY(!m_dlg->item<QWidget>(id)->isEnabled());
    auto* list = m_dlg->item<QComboBox>(kIdPortList);
    list->setCurrentIndex(  // another chosen meanwhile
        list->findText(QStringLiteral("COM%1 (").arg(kUnserved), Qt::MatchStartsWith));

    QTRY_COMPARE_WITH_TIMEOUT(openClose()->text(), QStringLiteral("Close"),
                              SimulatorBench::kWaitMs);
    QVERIFY(openClose()->isEnabled());
    QVERIFY(list->currentText().startsWith(QStringLiteral("COM%1 (").arg(kServed)));
    QVERIFY(!m_dlg->item<QWidget>(kIdPortList)->isEnabled());
    readIsAnswered();
}

void NetworkWindowTest::failureIsOneLine_data() {
    QTest::addColumn<Ser2netServer::Accepter>("accepter");
    QTest::addColumn<bool>("deviceGone");
    QTest::addColumn<QString>("why");  // how the reason starts
    QTest::newRow("nothing listens")
        << Ser2netServer::Accepter::kRfc2217 << false << QStringLiteral("connection refused)(");
    QTest::newRow("telnet without line control")
        << Ser2netServer::Accepter::kTelnetOnly << false
        << QStringLiteral("the server does not accept line settings)(");
    // The server takes the connection, says why it cannot serve it and closes at once; a raw
    // bridge's words are always read, a telnet server's when they come before its close.
    QTest::newRow("raw bridge without its device")
        << Ser2netServer::Accepter::kRawTcp << true
        << QStringLiteral(
               "the server closed the connection: Device open failure: Value or file not found)(");
    QTest::newRow("rfc2217 without its device")
        << Ser2netServer::Accepter::kRfc2217 << true
        << QStringLiteral("the server closed the connection");
}

void NetworkWindowTest::failureIsOneLine() {
    QFETCH(Ser2netServer::Accepter, accepter);
    QFETCH(bool, deviceGone);
    QFETCH(QString, why);
    Ser2netServer other(folder("other"),
                        deviceGone ? folder("gone") + "/tty" : m_simulator->device().toStdString(),
                        accepter);
    QVERIFY2(other.start(), other.error().c_str());
    if (why.startsWith(QStringLiteral("connection refused"))) other.stop();
    startWindow(other.url());
    const std::size_t linesBefore = m_dlg->log().lines().size();

    pressOpen(kUnserved);
    QTRY_COMPARE_WITH_TIMEOUT(openClose()->text(), QStringLiteral("Open"), SimulatorBench::kWaitMs);
    const QString line = QStringLiteral("> COM%1: cannot connect to 127.0.0.1:%2 (%3")
                             .arg(kUnserved)
                             .arg(other.port())
                             .arg(why);
    QCOMPARE(logLines(line).size(), 1);
    QCOMPARE(m_dlg->log().lines().size(), linesBefore + 1);
    QCOMPARE(m_dlg->log().lines().color(linesBefore), app::kSentFrameColor);
    QVERIFY(!m_dlg->serial()->isOpen());
    QVERIFY(openClose()->isEnabled());
    for (int id : kCommandButtons) QVERIFY(!m_dlg->item<QWidget>(id)->isEnabled());
}

void NetworkWindowTest::serverRestartIsLostAndBack() {
    startWindow();
    pressOpen(kServed);
    QTRY_COMPARE_WITH_TIMEOUT(openClose()->text(), QStringLiteral("Close"),
                              SimulatorBench::kWaitMs);
    const QString port = QStringLiteral("> COM%1 ").arg(kServed);

    m_server->stop();
    QTRY_COMPARE_WITH_TIMEOUT(logLines(port + "lost: the connection closed(").size(), 1,
                              SimulatorBench::kWaitMs);
    QCOMPARE(openClose()->text(), QStringLiteral("Open"));

    QVERIFY2(m_server->start(), m_server->error().c_str());
    QTRY_COMPARE_WITH_TIMEOUT(logLines(port + "back(").size(), 1, SimulatorBench::kWaitMs);
    QCOMPARE(openClose()->text(), QStringLiteral("Close"));
    readIsAnswered();
}

void NetworkWindowTest::pulledCableIsLostThenBack_data() {
    QTest::addColumn<Ser2netServer::Accepter>("accepter");
    QTest::newRow("rfc2217") << Ser2netServer::Accepter::kRfc2217;
    QTest::newRow("raw bridge") << Ser2netServer::Accepter::kRawTcp;
}

// The server serves the simulator's alias, so the device it opens for each connection is gone
// while the cable is out, and there again once it is back. Meanwhile the server takes each
// connection and closes it at once (and the network library's writes to it must not end the
// window): said once, never a port back.
void NetworkWindowTest::pulledCableIsLostThenBack() {
    QFETCH(Ser2netServer::Accepter, accepter);
    const std::string alias =
        ports::aliasDirectory() + "/COM" + std::to_string(m_simulator->port());
    Ser2netServer aliased(folder("aliased"), alias, accepter);
    QVERIFY2(aliased.start(), aliased.error().c_str());
    startWindow("rfc2217://127.0.0.1:9", aliased.url());
    pressOpen(kServed);
    QTRY_COMPARE_WITH_TIMEOUT(openClose()->text(), QStringLiteral("Close"),
                              SimulatorBench::kWaitMs);
    readIsAnswered();
    const QString port = QStringLiteral("> COM%1 ").arg(kServed);

    m_simulator->pullCable();
    QTRY_COMPARE_WITH_TIMEOUT(logLines(port + "lost: the connection closed(").size(), 1,
                              SimulatorBench::kWaitMs);
    const QString notBack =
        port + QStringLiteral(
                   "not back: cannot connect to 127.0.0.1:%1 (the server closed the "
                   "connection")
                   .arg(aliased.port());
    QTRY_COMPARE_WITH_TIMEOUT(logLines(notBack).size(), 1, SimulatorBench::kWaitMs);
    QCOMPARE(openClose()->text(), QStringLiteral("Open"));

    QVERIFY2(m_simulator->plugCable(), qPrintable(m_simulator->error()));
    QTRY_COMPARE_WITH_TIMEOUT(logLines(port + "back(").size(), 1, SimulatorBench::kWaitMs);
    QCOMPARE(logLines(port + "lost: ").size(), 1);
    QCOMPARE(logLines(port + "not back: ").size(), 1);
    readIsAnswered();
}

QTEST_MAIN(NetworkWindowTest)
#include "NetworkWindowTest.moc"
