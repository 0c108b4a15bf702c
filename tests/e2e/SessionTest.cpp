// The real main window against a running qz470-sim, the way an engineer uses it: open the
// simulator's port, write and read the settings, read the route list and the path, send
// data once and continuously, close and open again. Every wait is on the window's own timer
// and reader, bounded.

#include <QAbstractButton>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTextEdit>
#include <QtTest>

#include "CDialog_Mesh.h"
#include "CDialog_Net_Path.h"
#include "CliRun.h"
#include "DrawnMesh.h"
#include "QZSerial.h"
#include "SimulatorBench.h"
#include "Wait.h"

using namespace res;

struct SetupEntry {
    QString frequency;
    int power = 0;
    int lifeCycle = 0;
    QString networkId;
    QString nodeId;
    int baud = 0;
    int parity = 0;
};
Q_DECLARE_METATYPE(SetupEntry)

namespace {

void enter(app::CMeshcfgDlg& dlg, const SetupEntry& setup) {
    dlg.item<QLineEdit>(kIdFrequency)->setText(setup.frequency);
    dlg.item<QComboBox>(kIdPower)->setCurrentIndex(setup.power);
    dlg.item<QComboBox>(kIdLifeCycle)->setCurrentIndex(setup.lifeCycle);
    dlg.item<QLineEdit>(kIdNetworkId)->setText(setup.networkId);
    dlg.item<QLineEdit>(kIdNodeId)->setText(setup.nodeId);
    dlg.item<QComboBox>(kIdUartBaud)->setCurrentIndex(setup.baud);
    dlg.item<QComboBox>(kIdUartParity)->setCurrentIndex(setup.parity);
}

QByteArray fortyRoutes() {
    QByteArray text = "local 65534\n";
    for (int i = 0; i < 40; ++i) text += "route " + QByteArray::number(1000 + i) + " via 7\n";
    return text;
}

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_bench = std::make_unique<SimulatorBench>(); }
    void cleanup() { m_bench.reset(); }

    void openCloseAndOpenAgain();
    void writeThenReadBack_data();
    void writeThenReadBack();
    void readRouteShowsTheMesh_data();
    void readRouteShowsTheMesh();
    void readPathShowsThePath_data();
    void readPathShowsThePath();
    void sendDataOnce_data();
    void sendDataOnce();
    void continuousSending();
    void receiveNoticeIsLogged();
    void replyBehindANoticeIsHandled_data();
    void replyBehindANoticeIsHandled();
    void silentModuleIsSaid_data();
    void silentModuleIsSaid();
    void linkTestAgreesWithTheSimulator();
    void linkTestOnASlowMesh();

  private:
    app::CMeshcfgDlg& dlg() { return m_bench->dlg(); }
    QString lastRequest() const { return m_bench->simulator().lastRequest(); }

    std::unique_ptr<SimulatorBench> m_bench;
};

void SessionTest::openCloseAndOpenAgain() {
    QVERIFY2(m_bench->connect(kUnpacedLine), qPrintable(m_bench->error()));
    auto* openClose = dlg().item<QAbstractButton>(kIdOpenClose);
    QCOMPARE(openClose->text(), QStringLiteral("Close"));
    for (int id : kCommandButtons) QVERIFY(dlg().item<QWidget>(id)->isEnabled());
    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity, kIdRefresh})
        QVERIFY(!dlg().item<QWidget>(id)->isEnabled());

    m_bench->press(kIdOpenClose);
    QCOMPARE(openClose->text(), QStringLiteral("Open"));
    QVERIFY(!dlg().serial()->isOpen());
    for (int id : kCommandButtons) QVERIFY(!dlg().item<QWidget>(id)->isEnabled());

    // The simulator keeps its terminal usable across the tool's close and reopen.
    m_bench->press(kIdOpenClose);
    QCOMPARE(openClose->text(), QStringLiteral("Close"));
    m_bench->press(kIdRead);
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog("> Read successful.("), 1, SimulatorBench::kWaitMs);
    QCOMPARE(m_bench->simulator().requests(), QStringList{"request read-setup"});
}

void SessionTest::writeThenReadBack_data() {
    QTest::addColumn<SetupEntry>("setup");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<QString>("shownFrequency");
    QTest::newRow("433.5 MHz") << SetupEntry{"433.5", 2, 5, "9999", "42", 7, 2}
                               << "freq=6C6012 power=3 life=5 net=9999 node=42 baud=7 parity=2"
                               << "433.50";
    QTest::newRow("915 MHz, widest ids")
        << SetupEntry{"915", 0, 23, "65535", "258", 0, 1}
        << "freq=E4C026 power=1 life=23 net=65535 node=258 baud=0 parity=1"
        << "915.00";
    QTest::newRow("470 MHz, id 0") << SetupEntry{"470", 6, 0, "0", "65534", 3, 0}
                                   << "freq=758013 power=7 life=0 net=0 node=65534 baud=3 parity=0"
                                   << "470.00";
}

void SessionTest::writeThenReadBack() {
    QFETCH(SetupEntry, setup);
    QFETCH(QString, logged);
    QFETCH(QString, shownFrequency);
    QVERIFY2(m_bench->connect(kUnpacedLine), qPrintable(m_bench->error()));

    enter(dlg(), setup);
    m_bench->press(kIdWrite);
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog("> Write successful.("), 1,
                              SimulatorBench::kWaitMs);
    QCOMPARE(m_bench->simulator().requests(), QStringList{"request write-setup " + logged});

    // Other values in every field, so that the read must put each one back.
    enter(dlg(), SetupEntry{"100", 1, 1, "1", "1", 1, 1});
    m_bench->press(kIdRead);
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog("> Read successful.("), 1, SimulatorBench::kWaitMs);
    QCOMPARE(lastRequest(), QStringLiteral("request read-setup"));
    QCOMPARE(dlg().item<QLineEdit>(kIdFrequency)->text(), shownFrequency);
    QCOMPARE(dlg().item<QComboBox>(kIdPower)->currentIndex(), setup.power);
    QCOMPARE(dlg().item<QComboBox>(kIdLifeCycle)->currentIndex(), setup.lifeCycle);
    QCOMPARE(dlg().item<QLineEdit>(kIdNetworkId)->text(), setup.networkId);
    QCOMPARE(dlg().item<QLineEdit>(kIdNodeId)->text(), setup.nodeId);
    QCOMPARE(dlg().item<QComboBox>(kIdUartBaud)->currentIndex(), setup.baud);
    QCOMPARE(dlg().item<QComboBox>(kIdUartParity)->currentIndex(), setup.parity);
}

void SessionTest::readRouteShowsTheMesh_data() {
    QTest::addColumn<QByteArray>("mesh");  // empty: the simulator's built-in mesh
    QTest::newRow("built-in mesh") << QByteArray();
    QTest::newRow("empty entries first, widest ids")
        << QByteArray("local 300\nempty\nempty\nroute 65534 via 258\nempty\nroute 7 via 7\n");
    QTest::newRow("all forty entries") << fortyRoutes();
}

void SessionTest::readRouteShowsTheMesh() {
    QFETCH(QByteArray, mesh);
    QVERIFY2(m_bench->connect(m_bench->meshOptions(mesh)), qPrintable(m_bench->error()));

    m_bench->press(kIdReadRoute);
    QTRY_VERIFY_WITH_TIMEOUT(dlg().meshDialog() != nullptr, SimulatorBench::kWaitMs);
    QCOMPARE(lastRequest(), QStringLiteral("request read-route"));
    QVERIFY(dlg().meshDialog()->isVisible());
    const DrawnRoutes drawn = drawnRoutes(*dlg().meshDialog());
    const DrawnRoutes expected = routesOf(meshOf(mesh));
    QCOMPARE(drawn.localNode, expected.localNode);
    QCOMPARE(drawn.routeNodes, expected.routeNodes);
    QCOMPARE(drawn.targetNodes, expected.targetNodes);
    QCOMPARE(drawn.badges, expected.badges);
    QCOMPARE(dlg().meshDialog()->rowCount(), static_cast<int>(expected.routeNodes.size()));
    QCOMPARE(m_bench->countLog("> Read route error"), 0);
}

void SessionTest::readPathShowsThePath_data() {
    QTest::addColumn<QByteArray>("mesh");  // empty: the simulator's built-in mesh
    QTest::newRow("built-in mesh") << QByteArray();
    QTest::newRow("eight hops") << QByteArray(
        "local 9\nhop 11 1\nhop 12 20\nhop 13 30\nhop 14 40\nhop 15 50\n"
        "hop 16 60\nhop 17 70\nhop 65534 255\n");
    QTest::newRow("no hops: the local node alone") << QByteArray("local 5\nroute 2 via 2\n");
}

void SessionTest::readPathShowsThePath() {
    QFETCH(QByteArray, mesh);
    QVERIFY2(m_bench->connect(m_bench->meshOptions(mesh)), qPrintable(m_bench->error()));

    m_bench->press(kIdReadPath);
    QTRY_VERIFY_WITH_TIMEOUT(dlg().pathDialog() != nullptr, SimulatorBench::kWaitMs);
    QCOMPARE(lastRequest(), QStringLiteral("request read-path"));
    QVERIFY(dlg().pathDialog()->isVisible());
    const DrawnPath drawn = drawnPath(*dlg().pathDialog());
    const DrawnPath expected = pathOf(meshOf(mesh));
    QCOMPARE(drawn.nodes, expected.nodes);
    QCOMPARE(drawn.linkValues, expected.linkValues);
}

void SessionTest::sendDataOnce_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("routeMode");
    QTest::addColumn<QStringList>("relays");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<QString>("statusLine");
    QTest::newRow("target in the mesh")
        << "4" << 1 << QStringList()
        << "target=4 ack=0 jump=7 mode=1 relays=0 data=0102 check=ok status=00"
        << "> Send data ok.(";
    QTest::newRow("target not in the mesh")
        << "9" << 1 << QStringList()
        << "target=9 ack=0 jump=7 mode=1 relays=0 data=0102 check=ok status=C7"
        << "> Route not found.(";
    QTest::newRow("source route through two relays")
        << "6" << 3 << QStringList{"0004", "0005"}
        << "target=6 ack=0 jump=7 mode=3 relays=2 via=0004,0005 data=0102 check=ok status=00"
        << "> Send data ok.(";
}

void SessionTest::sendDataOnce() {
    QFETCH(QString, target);
    QFETCH(int, routeMode);
    QFETCH(QStringList, relays);
    QFETCH(QString, logged);
    QFETCH(QString, statusLine);
    QVERIFY2(m_bench->connect(kUnpacedLine), qPrintable(m_bench->error()));

    dlg().item<QLineEdit>(kIdTargetId)->setText(target);
    dlg().item<QComboBox>(kIdRouteMode)->setCurrentIndex(routeMode);
    dlg().item<QComboBox>(kIdRelaying)->setCurrentIndex(static_cast<int>(relays.size()));
    for (qsizetype i = 0; i < relays.size(); ++i)
        dlg().item<QLineEdit>(kIdRelayFirst + static_cast<int>(i))->setText(relays[i]);
    dlg().item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("01 02"));
    m_bench->press(kIdSendData);

    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog(statusLine), 1, SimulatorBench::kWaitMs);
    QCOMPARE(m_bench->simulator().requests(), QStringList{"request send-data " + logged});
    QCOMPARE(m_bench->countLog("> Send app data("), 1);
}

void SessionTest::continuousSending() {
    QVERIFY2(m_bench->connect(kUnpacedLine), qPrintable(m_bench->error()));
    dlg().item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("AA"));
    dlg().item<QComboBox>(kIdInterval)->setCurrentIndex(0);  // "1000ms"
    m_bench->press(kIdContinuous);
    QVERIFY(dlg().item<QAbstractButton>(kIdContinuous)->isChecked());
    for (int id : kCommandButtons) QVERIFY(!dlg().item<QWidget>(id)->isEnabled());

    const QString ok = QStringLiteral("> Send data ok.(");
    QTRY_VERIFY_WITH_TIMEOUT(m_bench->countLog(ok) >= 3, 3 * SimulatorBench::kWaitMs);
    m_bench->press(kIdContinuous);
    QCOMPARE(dlg().sendCounter(), -1);
    for (int id : kCommandButtons) QVERIFY(dlg().item<QWidget>(id)->isEnabled());

    // Every send was answered once: a request in the simulator's log, one status line here.
    const int sent = m_bench->countLog("> Send app data(");
    QVERIFY(sent >= 3);
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog(ok), sent, SimulatorBench::kWaitMs);
    QCOMPARE(m_bench->simulator().countRequests(
                 "request send-data target=1 ack=0 jump=7 mode=1 relays=0 data=AA check=ok"),
             sent);
    // The simulator answers at once, sooner than the line could carry the bytes: each
    // confirmation is still its own send's.
    const QStringList summary = m_bench->logLines(QStringLiteral("> Link test: "));
    QCOMPARE(summary.size(), 1);
    QCOMPARE(summary.front().section(u';', 0, 0),
             QStringLiteral("> Link test: %1 sent, %1 ok").arg(sent));
}

void SessionTest::receiveNoticeIsLogged() {
    QVERIFY2(m_bench->connect({"--baud", "0", "--notice-every", "1"}),
             qPrintable(m_bench->error()));
    QTRY_VERIFY_WITH_TIMEOUT(m_bench->countLog("> Received ok.(") >= 2, SimulatorBench::kWaitMs);
    // Each notice is its own block: its dump line, then the notice line.
    QVERIFY(m_bench->countLog("> 05 00 82 ") >= 2);
    QVERIFY(m_bench->simulator().countRequests("notice source=") >= 2);
}

void SessionTest::replyBehindANoticeIsHandled_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("handled");  // the line its reply's handler writes, or its window
    QTest::newRow("Write") << kIdWrite << QStringLiteral("> Write successful.(");
    QTest::newRow("Read") << kIdRead << QStringLiteral("> Read successful.(");
    QTest::newRow("Read Route") << kIdReadRoute << QStringLiteral("route list window");
    QTest::newRow("Read Path") << kIdReadPath << QStringLiteral("path window");
}

// The notice and the reply come within one silence: one block, one hex line, both handled.
void SessionTest::replyBehindANoticeIsHandled() {
    QFETCH(int, button);
    QFETCH(QString, handled);
    QVERIFY2(m_bench->connect(kUnpacedLine + QStringList{"--notice-before-reply"}),
             qPrintable(m_bench->error()));
    m_bench->press(button);
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog("> Received ok.("), 1, SimulatorBench::kWaitMs);
    QCOMPARE(m_bench->countLog("> 05 00 82 "), 1);
    if (handled == "route list window") {
        QVERIFY(dlg().meshDialog() && dlg().meshDialog()->isVisible());
        QCOMPARE(dlg().meshDialog()->rowCount(),
                 static_cast<int>(routesOf(meshOf({})).routeNodes.size()));
    } else if (handled == "path window") {
        QVERIFY(dlg().pathDialog() && dlg().pathDialog()->isVisible());
    } else {
        QCOMPARE(m_bench->countLog(handled), 1);
    }
    if (button == kIdRead)
        QCOMPARE(dlg().item<QLineEdit>(kIdFrequency)->text(), QStringLiteral("434.00"));
}

void SessionTest::silentModuleIsSaid_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("lines");  // "No reply" lines once the wait is over
    QTest::newRow("Write") << kIdWrite << 1;
    QTest::newRow("Read") << kIdRead << 1;
    QTest::newRow("Read Route") << kIdReadRoute << 1;
    QTest::newRow("Read Path") << kIdReadPath << 1;
    // The link test counts what continuous sending gets no answer for.
    QTest::newRow("Continuous") << kIdContinuous << 0;
}

// A module that answers nothing: each request of the four is said once, two seconds after it
// went out, in the requests' colour.
void SessionTest::silentModuleIsSaid() {
    QFETCH(int, button);
    QFETCH(int, lines);
    QVERIFY2(m_bench->connect(kUnpacedLine + QStringList{"--fault", "silence"}),
             qPrintable(m_bench->error()));
    const QString noReply =
        QStringLiteral("> No reply from COM%1 (check the module's power, baud rate and parity)(")
            .arg(m_bench->simulator().port());
    QElapsedTimer sent;
    sent.start();
    m_bench->press(button);
    if (lines == 0) {
        QTest::qWait(2 * 1000 + 500);  // past the wait, with two sends gone out
        m_bench->press(button);
        QCOMPARE(m_bench->countLog(noReply), 0);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog(noReply), 1, SimulatorBench::kWaitMs);
    QVERIFY(sent.elapsed() >= 2000);
    const app::LogLines& logged = dlg().log().lines();
    QCOMPARE(logged.color(logged.size() - 1), app::kSentFrameColor);
}

namespace {

// The simulator's verdicts on send-data requests to node 3, from its request log, counted in
// the order each status first came.
struct Verdicts {
    QMap<QString, int> counts;
    QStringList order;  // statuses other than ok
};

Verdicts verdicts(const QStringList& requests) {
    const QString request = QStringLiteral(
        "request send-data target=3 ack=0 jump=7 mode=1 relays=0 data=AA check=ok status=");
    Verdicts found;
    for (const QString& line : requests) {
        if (!line.startsWith(request)) continue;
        const QString status = line.mid(request.size(), 2);
        if (status != "00" && !found.counts.contains(status)) found.order << status;
        ++found.counts[status];
    }
    return found;
}

const QMap<QString, QString> kStatusTexts{{"E7", "Not received ACK"},
                                          {"D2", "APS Not received ACK"}};

}  // namespace

// 200 sends over a route of two hops that each lose a tenth: about 81% arrive, and both the
// window's summary line and meshcfg-cli's figures count what the simulator's own log says it
// answered, status by status.
void SessionTest::linkTestAgreesWithTheSimulator() {
    const QByteArray mesh = "route 2 via 2\nroute 3 via 2\nlink 1 2 0.9 5\nlink 2 3 0.9 5\n";
    QVERIFY2(m_bench->connect(m_bench->meshOptions(mesh, kPacedLine + QStringList{"--seed", "16"})),
             qPrintable(m_bench->error()));
    dlg().stopTimer();  // the ticks are driven here, so the run takes no 220 s
    dlg().item<QLineEdit>(kIdTargetId)->setText(QStringLiteral("3"));
    dlg().item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("AA"));
    dlg().item<QComboBox>(kIdInterval)->setCurrentIndex(0);  // "1000ms": a send every 11 ticks
    m_bench->press(kIdContinuous);

    constexpr int kSends = 200;
    constexpr std::size_t kConfirmationSize = 8;
    serial::ReceiveBuffer& received = dlg().serial()->receiveBuffer();
    for (int send = 0; send < kSends; ++send) {
        for (int tick = 0; tick < (send == 0 ? 11 : 7); ++tick) dlg().OnTimer();
        QVERIFY(waitUntil([&] { return received.count() >= kConfirmationSize; }));
        for (int tick = 0; tick < 4; ++tick) dlg().OnTimer();  // the silence that cuts it
    }
    m_bench->press(kIdContinuous);

    const Verdicts window = verdicts(m_bench->simulator().requests());
    QString expected =
        QStringLiteral("> Link test: %1 sent, %2 ok").arg(kSends).arg(window.counts["00"]);
    for (const QString& status : window.order) {
        expected += QStringLiteral(", %1 %2")
                        .arg(window.counts[status])
                        .arg(kStatusTexts.value(status, status));
    }
    const QStringList summary = m_bench->logLines(QStringLiteral("> Link test: "));
    QCOMPARE(summary.size(), 1);
    QCOMPARE(summary.front().section(u';', 0, 0), expected);
    QVERIFY2(window.counts["00"] >= 140 && window.counts["00"] <= 184, qPrintable(summary.front()));
    // Every confirmation waited at least the first hop's 5 ms.
    const QRegularExpression trips("round trip min (\\d+) ms, median \\d+ ms, max \\d+ ms\\(");
    const QRegularExpressionMatch match = trips.match(summary.front());
    QVERIFY2(match.hasMatch(), qPrintable(summary.front()));
    QVERIFY(match.captured(1).toInt() >= 5);

    // The same run from the command line, on the same simulator once the window lets go.
    m_bench->press(kIdOpenClose);
    const int windowRequests = m_bench->simulator().requests().size();
    const CliResult cli = runCli({"-p", QStringLiteral("COM%1").arg(m_bench->simulator().port()),
                                  "send", "--target", "3", "--data", "AA", "--count",
                                  QString::number(kSends), "--interval", "0", "--json"});
    QVERIFY2(cli.exitCode == 1, cli.err.constData());  // some sends were not ok
    const QJsonObject figures = QJsonDocument::fromJson(cli.out).object();
    const Verdicts command = verdicts(m_bench->simulator().requests().mid(windowRequests));
    QCOMPARE(figures.value("sent").toInt(), kSends);
    QCOMPARE(figures.value("ok").toInt(), command.counts["00"]);
    QCOMPARE(figures.value("no_reply").toInt(), 0);
    QJsonObject statuses;
    for (const QString& status : command.order)
        statuses[kStatusTexts.value(status, status) + '.'] = command.counts[status];
    QCOMPARE(figures.value("statuses").toObject(), statuses);
    QVERIFY2(command.counts["00"] >= 140 && command.counts["00"] <= 184, cli.out.constData());
}

// Links that take 1.4 s and a send every 1.1 s ("1000ms"), with notices every second: each
// confirmation comes after the next send went out, and is still timed from its own send.
void SessionTest::linkTestOnASlowMesh() {
    QVERIFY2(m_bench->connect(
                 m_bench->meshOptions("route 3 via 3\nlink 1 3 1 1400\n", {"--notice-every", "1"})),
             qPrintable(m_bench->error()));
    dlg().item<QLineEdit>(kIdTargetId)->setText(QStringLiteral("3"));
    dlg().item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("AA"));
    dlg().item<QComboBox>(kIdInterval)->setCurrentIndex(0);
    m_bench->press(kIdContinuous);
    const QRegularExpression okCount(QStringLiteral(" (\\d+) ok"));
    const auto* box = dlg().item<QAbstractButton>(kIdContinuous);
    QTRY_VERIFY_WITH_TIMEOUT(okCount.match(box->toolTip()).captured(1).toInt() >= 4,
                             SimulatorBench::kWaitMs);
    m_bench->press(kIdContinuous);

    const QStringList summary = m_bench->logLines(QStringLiteral("> Link test: "));
    QCOMPARE(summary.size(), 1);
    const QRegularExpression figures(QStringLiteral(
        "^> Link test: (\\d+) sent, (\\d+) ok(?:, (\\d+) no reply)?; round trip min (\\d+) ms, "
        "median (\\d+) ms, max (\\d+) ms\\("));
    const QRegularExpressionMatch match = figures.match(summary.front());
    QVERIFY2(match.hasMatch(), qPrintable(summary.front()));
    const int sent = match.captured(1).toInt();
    QCOMPARE(sent, m_bench->countLog("> Send app data("));
    QVERIFY(match.captured(2).toInt() >= 4);
    // Only sends still on their way when the run stopped went without a reply.
    QVERIFY2(sent - match.captured(2).toInt() - match.captured(3).toInt() == 0 &&
                 match.captured(3).toInt() <= 2,
             qPrintable(summary.front()));
    QVERIFY2(match.captured(4).toInt() >= 1400 && match.captured(5).toInt() <= 1500 &&
                 match.captured(6).toInt() < 1600,
             qPrintable(summary.front()));
}

QTEST_MAIN(SessionTest)
#include "SessionTest.moc"
