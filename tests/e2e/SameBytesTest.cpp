// For the same values, meshcfg-cli puts on the line exactly the bytes the window does: each
// row enters the values in the window and presses its button, then gives them to the real
// meshcfg-cli, and compares what reached the far end of the same pseudo-terminal.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>
#include <functional>

#include "AliasedPty.h"
#include "CMeshcfgDlg.h"
#include "CliRun.h"
#include "QZSerial.h"

using namespace res;

namespace {

constexpr int kAliasPort = 200;
// A request is written in one go; this much quiet after it means nothing more is coming.
constexpr std::chrono::milliseconds kQuiet{300};
constexpr std::size_t kMoreThanAnyRequest = 256;

struct WindowEntry {
    std::function<void(app::CMeshcfgDlg&)> enter;
    int button = 0;
};

WindowEntry setupEntry(QString frequency, int power, int lifeCycle, QString networkId,
                       QString nodeId, int baud, int parity) {
    return {[=](app::CMeshcfgDlg& dlg) {
                dlg.item<QLineEdit>(kIdFrequency)->setText(frequency);
                dlg.item<QComboBox>(kIdPower)->setCurrentIndex(power);
                dlg.item<QComboBox>(kIdLifeCycle)->setCurrentIndex(lifeCycle);
                dlg.item<QLineEdit>(kIdNetworkId)->setText(networkId);
                dlg.item<QLineEdit>(kIdNodeId)->setText(nodeId);
                dlg.item<QComboBox>(kIdUartBaud)->setCurrentIndex(baud);
                dlg.item<QComboBox>(kIdUartParity)->setCurrentIndex(parity);
            },
            kIdWrite};
}

WindowEntry sendEntry(QString target, int mode, int jump, QStringList relays, QString data) {
    return {[=](app::CMeshcfgDlg& dlg) {
                dlg.item<QLineEdit>(kIdTargetId)->setText(target);
                dlg.item<QComboBox>(kIdRouteMode)->setCurrentIndex(mode);
                dlg.item<QComboBox>(kIdJump)->setCurrentIndex(jump);
                dlg.item<QComboBox>(kIdRelaying)->setCurrentIndex(relays.size());
                for (int i = 0; i < relays.size(); ++i)
                    dlg.item<QLineEdit>(kIdRelayFirst + i)->setText(relays[i]);
                dlg.item<QTextEdit>(kIdData)->setPlainText(data);
            },
            kIdSendData};
}

}  // namespace

Q_DECLARE_METATYPE(WindowEntry)

class SameBytesTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_line = std::make_unique<AliasedPty>(kAliasPort); }
    void cleanup() { m_line.reset(); }

    void cliSendsTheWindowsBytes_data();
    void cliSendsTheWindowsBytes();

  private:
    std::unique_ptr<AliasedPty> m_line;
};

void SameBytesTest::cliSendsTheWindowsBytes_data() {
    QTest::addColumn<WindowEntry>("window");
    QTest::addColumn<QStringList>("cli");
    QTest::newRow("setup, initial values")
        << setupEntry("434", 6, 0, "1", "1", 3, 0)
        << QStringList{"write", "--frequency",   "434", "--power",   "7", "--life-cycle",
                       "1h",    "--network-id",  "1",   "--node-id", "1", "--uart-baud",
                       "9600",  "--uart-parity", "NO"};
    QTest::newRow("setup, 433.5 MHz")
        << setupEntry("433.5", 2, 5, "4660", "258", 7, 2)
        << QStringList{"write",        "--frequency", "433.5",        "--power",       "3",
                       "--life-cycle", "6h",          "--network-id", "4660",          "--node-id",
                       "258",          "--uart-baud", "115200",       "--uart-parity", "EVEN"};
    QTest::newRow("setup, widest values")
        << setupEntry("1020.99", 0, 23, "65535", "0", 0, 1)
        << QStringList{"write", "--frequency",   "1020.99", "--power",   "1", "--life-cycle",
                       "24h",   "--network-id",  "65535",   "--node-id", "0", "--uart-baud",
                       "1200",  "--uart-parity", "ODD"};
    QTest::newRow("send, auto") << sendEntry("1", 1, 6, {}, "01 02")
                                << QStringList{"send", "--target", "1", "--data", "01 02"};
    QTest::newRow("send, source with relays")
        << sendEntry("10", 3, 2, {"0005", "0006"}, "AA")
        << QStringList{"send", "--target", "10",        "--mode", "source", "--jump",
                       "3",    "--relays", "0005,0006", "--data", "AA"};
    QTest::newRow("send, forbidden, jump 1, most data")
        << sendEntry("65535", 0, 0, {}, QString(234, u'e'))
        << QStringList{"send",   "--target", "65535",  "--mode",          "forbidden",
                       "--jump", "1",        "--data", QString(234, u'e')};
    QTest::newRow("send, force") << sendEntry("258", 2, 4, {}, "a1 b2 c3")
                                 << QStringList{"send",   "--target", "258",    "--mode", "force",
                                                "--jump", "5",        "--data", "a1b2c3"};
}

void SameBytesTest::cliSendsTheWindowsBytes() {
    QFETCH(WindowEntry, window);
    QFETCH(QStringList, cli);

    std::vector<std::uint8_t> fromWindow;
    {
        app::CMeshcfgDlg dlg;
        dlg.stopTimer();
        auto* ports = dlg.item<QComboBox>(kIdPortList);
        ports->setCurrentIndex(ports->findText(QStringLiteral("COM200"), Qt::MatchStartsWith));
        dlg.OnOpenClose();
        QVERIFY2(dlg.serial()->isOpen(),
                 qPrintable(ports->currentText() + ": " +
                            QString::fromStdString(dlg.serial()->lastError())));
        window.enter(dlg);
        QTest::mouseClick(dlg.item<QPushButton>(window.button), Qt::LeftButton);
        fromWindow = m_line->pty().readMaster(kMoreThanAnyRequest, kQuiet);
    }
    QVERIFY(fromWindow.size() > 4);

    QProcess process;
    startCli(process, QStringList{"-p", "COM200", "--timeout", "100"} + cli);
    const std::vector<std::uint8_t> fromCli = m_line->pty().readMaster(fromWindow.size());
    finishCli(process);
    QCOMPARE(fromCli, fromWindow);
    QCOMPARE(m_line->pty().readMaster(1, kQuiet).size(), 0u);
}

QTEST_MAIN(SameBytesTest)
#include "SameBytesTest.moc"
