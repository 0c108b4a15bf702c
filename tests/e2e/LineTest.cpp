// The real main window against qz470-sim on a bad or slow line: replies spoiled by the
// simulator, replies cut short after full ones, a simulator that dies with the port open, and
// a route list paced at 9600 baud and split into pieces.

#include <termios.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTextEdit>
#include <QtTest>
#include <filesystem>
#include <optional>

#include "CDialog_Mesh.h"
#include "CDialog_Net_Path.h"
#include "DrawnMesh.h"
#include "PtyPair.h"
#include "QZSerial.h"
#include "SimulatorBench.h"

using namespace res;

namespace {

// A route list reply: 8 header bytes, 40 entries of 9 bytes, the check byte.
constexpr int kRouteReplySize = 8 + 40 * 9 + 1;
constexpr int kRouteHeaderSize = 8;
constexpr int kRouteEntrySize = 9;
// The simulator's short reply keeps the first half of the frame before the check byte and
// adds a check byte that fits: the entries wholly inside those bytes.
constexpr int kEntriesInShortRouteList =
    ((kRouteReplySize - 1) / 2 - kRouteHeaderSize) / kRouteEntrySize;

QByteArray routes(int local, int firstTarget, int count) {
    QByteArray text = "local " + QByteArray::number(local) + "\n";
    for (int i = 0; i < count; ++i) {
        text += "route " + QByteArray::number(firstTarget + i) + " via " +
                QByteArray::number(firstTarget + i % 3) + "\n";
    }
    return text;
}

QByteArray eightHops(int local, int firstNode) {
    QByteArray text = "local " + QByteArray::number(local) + "\n";
    for (int i = 0; i < 8; ++i) {
        text +=
            "hop " + QByteArray::number(firstNode + i) + " " + QByteArray::number(40 + i) + "\n";
    }
    return text;
}

// The settings of the terminal at path as this process's own descriptor of it has them: the
// window holds it for its own use, so it is read there rather than opened again.
std::optional<termios> heldTerminal(const QString& path) {
    const std::filesystem::path device = path.toStdString();
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) != device) continue;
        termios settings{};
        if (::tcgetattr(std::stoi(entry.path().filename().string()), &settings) == 0)
            return settings;
    }
    return std::nullopt;
}

}  // namespace

class LineTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_bench = std::make_unique<SimulatorBench>(); }
    void cleanup() { m_bench.reset(); }

    void spoiledSetupReplyChangesNoField_data();
    void spoiledSetupReplyChangesNoField();
    void shortRouteListDrawsNothingStale();
    void shortPathReplyDrawsNoFalseChain();
    void killedSimulatorClosesThePort();
    void pulledCableReopensByItself();
    void pacedRouteListIsOneBlock_data();
    void pacedRouteListIsOneBlock();

  private:
    app::CMeshcfgDlg& dlg() { return m_bench->dlg(); }

    std::unique_ptr<SimulatorBench> m_bench;
};

void LineTest::spoiledSetupReplyChangesNoField_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("dump");  // how the spoiled reply starts in the log
    QTest::newRow("bad check byte") << "bad-check"
                                    << "> 01 00 82 0D A5 A5 6C 60 12 03 05 ";
    QTest::newRow("noise before the reply") << "garbage"
                                            << "> FF 13 00 A5 01 00 82 ";
    QTest::newRow("short reply") << "short"
                                 << "> 01 00 82 0D A5 A5 6C 60 ";
}

void LineTest::spoiledSetupReplyChangesNoField() {
    QFETCH(QString, fault);
    QFETCH(QString, dump);
    // The second reply, the one to Read, is spoiled; the write acknowledgement and the second
    // Read's reply are clean.
    QVERIFY2(m_bench->connect(kUnpacedLine + QStringList{"--fault", fault + ":2"}),
             qPrintable(m_bench->error()));
    dlg().item<QLineEdit>(kIdFrequency)->setText("433.5");
    dlg().item<QComboBox>(kIdPower)->setCurrentIndex(2);
    dlg().item<QComboBox>(kIdLifeCycle)->setCurrentIndex(5);
    dlg().item<QLineEdit>(kIdNetworkId)->setText("9999");
    m_bench->press(kIdWrite);
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog("> Write successful.("), 1,
                              SimulatorBench::kWaitMs);

    dlg().item<QLineEdit>(kIdFrequency)->setText("434");
    dlg().item<QComboBox>(kIdPower)->setCurrentIndex(6);
    dlg().item<QComboBox>(kIdLifeCycle)->setCurrentIndex(0);
    dlg().item<QLineEdit>(kIdNetworkId)->setText("1");
    m_bench->press(kIdRead);
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog(dump), 1, SimulatorBench::kWaitMs);
    QCOMPARE(m_bench->simulator().lastRequest(), "request read-setup fault=" + fault);
    QCOMPARE(m_bench->countLog("> Read successful."), 0);
    QCOMPARE(dlg().item<QLineEdit>(kIdFrequency)->text(), QStringLiteral("434"));
    QCOMPARE(dlg().item<QComboBox>(kIdPower)->currentIndex(), 6);
    QCOMPARE(dlg().item<QComboBox>(kIdLifeCycle)->currentIndex(), 0);
    QCOMPARE(dlg().item<QLineEdit>(kIdNetworkId)->text(), QStringLiteral("1"));

    // A clean reply to the same request does fill them: the fault alone kept them.
    m_bench->press(kIdRead);
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog("> Read successful.("), 1, SimulatorBench::kWaitMs);
    QCOMPARE(dlg().item<QLineEdit>(kIdFrequency)->text(), QStringLiteral("433.50"));
    QCOMPARE(dlg().item<QComboBox>(kIdPower)->currentIndex(), 2);
    QCOMPARE(dlg().item<QComboBox>(kIdLifeCycle)->currentIndex(), 5);
    QCOMPARE(dlg().item<QLineEdit>(kIdNetworkId)->text(), QStringLiteral("9999"));
}

// A full list from one mesh, then a list cut short from another: the window shows the entries
// the cut one holds whole, and no row of the first.
void LineTest::shortRouteListDrawsNothingStale() {
    const QByteArray first = routes(300, 100, 30);
    const QByteArray second = routes(400, 500, 30);
    QVERIFY2(m_bench->connect(m_bench->meshOptions(first)), qPrintable(m_bench->error()));
    m_bench->press(kIdReadRoute);
    QTRY_VERIFY_WITH_TIMEOUT(dlg().meshDialog() != nullptr, SimulatorBench::kWaitMs);
    QCOMPARE(drawnRoutes(*dlg().meshDialog()), routesOf(meshOf(first)));

    QVERIFY2(m_bench->reconnect(m_bench->meshOptions(second) + QStringList{"--fault", "short"}),
             qPrintable(m_bench->error()));
    m_bench->press(kIdReadRoute);
    // The second mesh's reply: length byte 6C, local node 400 (01 90).
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog("> 01 00 83 6C 01 90 "), 1,
                              SimulatorBench::kWaitMs);
    QCOMPARE(m_bench->simulator().lastRequest(), QStringLiteral("request read-route fault=short"));
    const DrawnRoutes drawn = drawnRoutes(*dlg().meshDialog());
    QVERIFY2(drawn == routesOf(meshOf(second), kEntriesInShortRouteList),
             qPrintable(describe(drawn)));
}

// The module lists a path from the target back, so a cut reply holds the hops next to the
// target and loses those next to the local node: the window keeps the path it showed.
void LineTest::shortPathReplyDrawsNoFalseChain() {
    const QByteArray first = eightHops(300, 11);
    const QByteArray second = eightHops(400, 21);
    QVERIFY2(m_bench->connect(m_bench->meshOptions(first)), qPrintable(m_bench->error()));
    m_bench->press(kIdReadPath);
    QTRY_VERIFY_WITH_TIMEOUT(dlg().pathDialog() != nullptr, SimulatorBench::kWaitMs);
    QCOMPARE(drawnPath(*dlg().pathDialog()), pathOf(meshOf(first)));

    QVERIFY2(m_bench->reconnect(m_bench->meshOptions(second) + QStringList{"--fault", "short"}),
             qPrintable(m_bench->error()));
    m_bench->press(kIdReadPath);
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog("> 01 00 88 "), 2,  // both path replies
                              SimulatorBench::kWaitMs);
    QCOMPARE(m_bench->simulator().lastRequest(), QStringLiteral("request read-path fault=short"));

    const DrawnPath drawn = drawnPath(*dlg().pathDialog());
    QVERIFY2(drawn == pathOf(meshOf(first)), qPrintable(describe(drawn)));
}

void LineTest::killedSimulatorClosesThePort() {
    QVERIFY2(m_bench->connect(kUnpacedLine), qPrintable(m_bench->error()));
    dlg().item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("AA"));
    m_bench->press(kIdContinuous);
    QVERIFY(dlg().sendCounter() >= 0);

    m_bench->simulator().kill();
    QTRY_COMPARE_WITH_TIMEOUT(dlg().item<QAbstractButton>(kIdOpenClose)->text(),
                              QStringLiteral("Open"), SimulatorBench::kWaitMs);
    QVERIFY(!dlg().serial()->isOpen());
    for (int id : kCommandButtons) QVERIFY(!dlg().item<QWidget>(id)->isEnabled());
    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity, kIdRefresh})
        QVERIFY(dlg().item<QWidget>(id)->isEnabled());
    QVERIFY(!dlg().item<QAbstractButton>(kIdContinuous)->isChecked());
    QCOMPARE(dlg().sendCounter(), -1);

    // The dead simulator left its alias behind, pointing nowhere: it is no port.
    m_bench->press(kIdRefresh);
    QCOMPARE(dlg().item<QComboBox>(kIdPortList)->findText(m_bench->portEntry()), -1);
}

// The cable pulled while continuous sending runs, then plugged back under the same COM name:
// the window opens the port again by itself, with both lines in the log, at the rate and
// parity it had (neither the list's first nor a new terminal's), and Read is answered.
void LineTest::pulledCableReopensByItself() {
    auto* baudList = dlg().item<QComboBox>(kIdPortBaud);
    baudList->setCurrentIndex(baudList->findText(QStringLiteral("57600")));
    QVERIFY(baudList->currentIndex() >= 0);
    auto* parityList = dlg().item<QComboBox>(kIdPortParity);
    parityList->setCurrentIndex(parityList->findText(QStringLiteral("ODD")));
    QVERIFY(parityList->currentIndex() >= 0);
    QVERIFY2(m_bench->connect(kUnpacedLine), qPrintable(m_bench->error()));
    const QString port = QStringLiteral("> COM%1 ").arg(m_bench->simulator().port());
    auto* openClose = dlg().item<QAbstractButton>(kIdOpenClose);
    dlg().item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("AA"));
    m_bench->press(kIdContinuous);

    m_bench->simulator().pullCable();
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog(port + "lost: the device hung up("), 1,
                              SimulatorBench::kWaitMs);
    QCOMPARE(openClose->text(), QStringLiteral("Open"));
    QVERIFY(!dlg().item<QAbstractButton>(kIdContinuous)->isChecked());

    const PtyPair taken;  // the pulled terminal's number goes to another one meanwhile
    QVERIFY2(m_bench->simulator().plugCable(), qPrintable(m_bench->simulator().error()));
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog(port + "back("), 1, SimulatorBench::kWaitMs);
    QCOMPARE(openClose->text(), QStringLiteral("Close"));
    QCOMPARE(m_bench->countLog("> Continuous sending stays off until \"Continuous\" is ticked("),
             1);
    QCOMPARE(dlg().item<QComboBox>(kIdPortList)->currentText(), m_bench->portEntry());
    QVERIFY(!dlg().item<QAbstractButton>(kIdContinuous)->isChecked());
    const std::optional<termios> line = heldTerminal(m_bench->simulator().device());
    QVERIFY(line.has_value());
    QCOMPARE(cfgetospeed(&*line), speed_t(B57600));
    // A pseudo-terminal drops the parity-enable bit but keeps the odd one.
    QVERIFY(line->c_cflag & PARODD);

    m_bench->press(kIdRead);
    QTRY_COMPARE_WITH_TIMEOUT(m_bench->countLog("> Read successful.("), 1, SimulatorBench::kWaitMs);
    QCOMPARE(m_bench->simulator().lastRequest(), QStringLiteral("request read-setup"));
}

void LineTest::pacedRouteListIsOneBlock_data() {
    QTest::addColumn<QStringList>("split");
    QTest::newRow("whole reply") << QStringList();
    QTest::newRow("4 pieces 60 ms apart") << QStringList{"--split", "4:60"};
    QTest::newRow("12 pieces 20 ms apart") << QStringList{"--split", "12:20"};
}

// At 9600 baud the route list takes about 385 ms on the wire, longer than the silence that
// ends a block; the pauses between pieces are shorter than it.
void LineTest::pacedRouteListIsOneBlock() {
    QFETCH(QStringList, split);
    QVERIFY2(m_bench->connect(QStringList{"--notice-every", "0"} + split),
             qPrintable(m_bench->error()));
    m_bench->press(kIdReadRoute);
    QTRY_VERIFY_WITH_TIMEOUT(dlg().meshDialog() != nullptr, SimulatorBench::kWaitMs);
    const QStringList blocks = m_bench->logLines(QStringLiteral("> 01 00 83 "));
    QCOMPARE(blocks.size(), 1);
    QCOMPARE(blocks[0].size(), 2 + 3 * kRouteReplySize);  // "> " and "%02X " a byte
    QCOMPARE(drawnRoutes(*dlg().meshDialog()), routesOf(sim::defaultMesh()));
}

QTEST_MAIN(LineTest)
#include "LineTest.moc"
