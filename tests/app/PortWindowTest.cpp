// The main window against a real pseudo-terminal published as a port alias: the port panel,
// the bytes that leave for each button, replies written back by the far end, continuous
// sending driven tick by tick, and a far end that hangs up.

#include <sys/file.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "AliasedPty.h"
#include "CMeshcfgDlg.h"
#include "ElidedField.h"
#include "FileDescriptor.h"
#include "HexBytes.h"
#include "PortAlias.h"
#include "PtyPair.h"
#include "QZSerial.h"
#include "TempFolder.h"
#include "Wait.h"

using namespace res;

namespace {

constexpr int kAliasPort = 200;

std::vector<std::uint8_t> bytes(const char* hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

int countLines(app::CMeshcfgDlg& dlg, const QString& prefix) {
    int n = 0;
    for (const QString& line : dlg.log().allText().split(u'\n'))
        n += line.startsWith(prefix) ? 1 : 0;
    return n;
}

}  // namespace

class PortWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_line = std::make_unique<AliasedPty>(kAliasPort);
        m_dlg = std::make_unique<app::CMeshcfgDlg>();
        m_dlg->stopTimer();
    }
    void cleanup() {
        m_dlg.reset();
        m_line.reset();
        if (m_config) qputenv("XDG_CONFIG_HOME", m_configHome);
        m_config.reset();
    }

    void aliasIsListedAndOpens();
    void portsFileProblemsAreSaid_data();
    void portsFileProblemsAreSaid();
    void entriesShowTheirComNameFirst();
    void entriesKeepTheirComNumber_data();
    void entriesKeepTheirComNumber();
    void lockedPortIsNotListed();
    void vanishedPortStaysClosedAndSaysWhy();
    void replyReachesTheLog();
    void hangupClosesThePort();
    void returnedPortInUseIsLeftAlone();
    void buttonsSendExactBytes_data();
    void buttonsSendExactBytes();
    void setupReplyFillsTheFields();
    void shortSetupReplyChangesNothing();
    void continuousSending();
    void continuousWaitsForAnOpenPort();
    void tooLongDataIsRefused();
    void timerSleepsUntilSomethingIsPending();
    void typedOverListSendsWhatItShows_data();
    void typedOverListSendsWhatItShows();
    void typedOverPortListsOpenWhatTheyShow();
    void typedOverRelayingAndIntervalRunTheirHandlers();
    void linkTestEndsWithItsSummary_data();
    void linkTestEndsWithItsSummary();

  private:
    // A window started with this ports.toml; its path.
    QString startWithPortsFile(const QByteArray& content) {
        m_config = std::make_unique<TempFolder>();
        m_configHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_config->path().string()));
        std::filesystem::create_directories(m_config->path() / "meshcfg");
        const auto path = m_config->path() / "meshcfg/ports.toml";
        std::ofstream(path) << content.toStdString();
        m_dlg = std::make_unique<app::CMeshcfgDlg>();
        m_dlg->stopTimer();
        return QString::fromStdString(path.string());
    }
    bool selectAlias() {
        auto* list = m_dlg->item<QComboBox>(kIdPortList);
        const int index =
            list->findText(QStringLiteral("COM%1").arg(kAliasPort), Qt::MatchStartsWith);
        list->setCurrentIndex(index);
        return index >= 0;
    }
    void open() {
        QVERIFY(selectAlias());
        m_dlg->OnOpenClose();
        QVERIFY(m_dlg->serial()->isOpen());
    }
    // Lets the reader deliver what the far end wrote, then cuts the block by silence.
    void receive(const std::vector<std::uint8_t>& reply) {
        QVERIFY(m_line->pty().writeMaster(reply));
        serial::ReceiveBuffer& buffer = m_dlg->serial()->receiveBuffer();
        QVERIFY(waitUntil([&] { return buffer.count() >= reply.size(); }));
        for (int i = 0; i < 4; ++i) m_dlg->OnTimer();
    }
    // Selects the list's text and types over it, as a user does.
    void typeOver(int id, const QString& text) {
        QLineEdit* field = m_dlg->item<QComboBox>(id)->lineEdit();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QCOMPARE(field->text(), text);
    }
    QByteArray sent(qsizetype size) {
        const std::vector<std::uint8_t> bytes =
            m_line->pty().readMaster(size + 1, std::chrono::milliseconds(500));
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    }
    void press(int id) { QTest::mouseClick(m_dlg->item<QPushButton>(id), Qt::LeftButton); }
    void ticks(int count) {
        for (int i = 0; i < count; ++i) m_dlg->OnTimer();
    }

    std::unique_ptr<AliasedPty> m_line;
    std::unique_ptr<app::CMeshcfgDlg> m_dlg;
    std::unique_ptr<TempFolder> m_config;  // XDG_CONFIG_HOME while a test has its own
    QByteArray m_configHome;
};

void PortWindowTest::aliasIsListedAndOpens() {
    QVERIFY(selectAlias());
    const QString entry = m_dlg->item<QComboBox>(kIdPortList)->currentText();
    QCOMPARE(entry,
             QStringLiteral("COM200 (%1)").arg(QString::fromStdString(m_line->pty().slavePath())));
    press(kIdOpenClose);
    auto* openClose = m_dlg->item<QPushButton>(kIdOpenClose);
    QCOMPARE(openClose->text(), QStringLiteral("Close"));
    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity, kIdRefresh})
        QVERIFY(!m_dlg->item<QWidget>(id)->isEnabled());
    for (int id : kCommandButtons) QVERIFY(m_dlg->item<QWidget>(id)->isEnabled());

    press(kIdOpenClose);
    QCOMPARE(openClose->text(), QStringLiteral("Open"));
    for (int id : {kIdPortList, kIdPortBaud, kIdPortParity, kIdRefresh})
        QVERIFY(m_dlg->item<QWidget>(id)->isEnabled());
    for (int id : kCommandButtons) QVERIFY(!m_dlg->item<QWidget>(id)->isEnabled());
}

void PortWindowTest::lockedPortIsNotListed() {
    const int fd = ::open(m_line->pty().slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
    m_dlg->OnRefresh();
    QVERIFY(!selectAlias());
    ::close(fd);
    m_dlg->OnRefresh();
    QVERIFY(selectAlias());
}

void PortWindowTest::vanishedPortStaysClosedAndSaysWhy() {
    QVERIFY(selectAlias());
    m_line->removeAlias();  // unplugged between the listing and Open
    press(kIdOpenClose);
    auto* openClose = m_dlg->item<QPushButton>(kIdOpenClose);
    QCOMPARE(openClose->text(), QStringLiteral("Open"));
    QVERIFY(!openClose->toolTip().isEmpty());
    for (int id : kCommandButtons) QVERIFY(!m_dlg->item<QWidget>(id)->isEnabled());
}

void PortWindowTest::replyReachesTheLog() {
    open();
    receive(bytes("0100810080"));
    const QStringList lines = m_dlg->log().allText().split(u'\n');
    QCOMPARE(lines[0], QStringLiteral("> 01 00 81 00 80 "));
    QVERIFY(lines[1].startsWith(QStringLiteral("> Write successful.(")));
    QCOMPARE(m_dlg->log().lines().color(0), app::kReceivedFrameColor);
}

void PortWindowTest::hangupClosesThePort() {
    open();
    m_line->pty().closeMaster();
    QTRY_COMPARE_WITH_TIMEOUT(m_dlg->item<QPushButton>(kIdOpenClose)->text(),
                              QStringLiteral("Open"), 5000);
    QVERIFY(!m_dlg->serial()->isOpen());
    QVERIFY(m_dlg->item<QWidget>(kIdRefresh)->isEnabled());
    QVERIFY(!m_dlg->item<QWidget>(kIdWrite)->isEnabled());
}

// The device comes back under the same name held by another program: told once, the list and
// its selection untouched while the watch goes on, opened as soon as the other one lets go.
void PortWindowTest::returnedPortInUseIsLeftAlone() {
    open();
    PtyPair returned;
    files::FileDescriptor holder(
        ::open(returned.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    QCOMPARE(::flock(holder.get(), LOCK_EX | LOCK_NB), 0);
    m_line->pty().closeMaster();
    QTRY_COMPARE_WITH_TIMEOUT(countLines(*m_dlg, "> COM200 lost: the device hung up("), 1, 5000);
    auto* list = m_dlg->item<QComboBox>(kIdPortList);
    const QString selected = list->currentText();
    const int entries = list->count();

    m_line->removeAlias();
    const PortAlias alias(kAliasPort, returned.slavePath());
    QTRY_COMPARE_WITH_TIMEOUT(countLines(*m_dlg, "> COM200 back, but in use by another program("),
                              1, 5000);
    QTest::qWait(1200);  // more looks: each would have filled the list again
    QCOMPARE(countLines(*m_dlg, "> COM200 back, but in use by another program("), 1);
    QCOMPARE(list->currentText(), selected);
    QCOMPARE(list->count(), entries);
    QVERIFY(!m_dlg->serial()->isOpen());

    holder.reset();
    QTRY_COMPARE_WITH_TIMEOUT(countLines(*m_dlg, "> COM200 back("), 1, 5000);
    QVERIFY(m_dlg->serial()->isOpen());
    QCOMPARE(list->currentText(),
             QStringLiteral("COM200 (%1)").arg(QString::fromStdString(returned.slavePath())));
}

void PortWindowTest::buttonsSendExactBytes_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("description");
    QTest::newRow("write setup") << kIdWrite
                                 << QByteArray::fromHex("0100010DA5A56C801207000001000103 00F7")
                                 << "> Write setup data(";
    QTest::newRow("read setup") << kIdRead
                                << QByteArray::fromHex("0100020DA5A50000000000000000000000 0E")
                                << "> Read setup data(";
    QTest::newRow("send data") << kIdSendData << QByteArray::fromHex("050001080001000701020102 0A")
                               << "> Send app data(";
    QTest::newRow("read route") << kIdReadRoute << QByteArray::fromHex("0100030002")
                                << "> Read route list(";
    QTest::newRow("read path") << kIdReadPath << QByteArray::fromHex("0100080009")
                               << "> Read path list.(";
}

void PortWindowTest::buttonsSendExactBytes() {
    QFETCH(int, button);
    QFETCH(QByteArray, expected);
    QFETCH(QString, description);
    open();
    m_dlg->item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("01 02"));
    press(button);
    const std::vector<std::uint8_t> sent =
        m_line->pty().readMaster(expected.size() + 1, std::chrono::milliseconds(500));
    QCOMPARE(
        QByteArray(reinterpret_cast<const char*>(sent.data()), qsizetype(sent.size())).toHex(' '),
        expected.toHex(' '));
    QCOMPARE(countLines(*m_dlg, description), 1);
}

void PortWindowTest::setupReplyFillsTheFields() {
    open();
    // 915 MHz, power 3, life cycle 24h, network 65535, node 258, 115200 baud, even parity.
    receive(withCheck(bytes("0100820DA5A5E4C0260317FFFF01020702")));
    QCOMPARE(m_dlg->item<QLineEdit>(kIdFrequency)->text(), QStringLiteral("915.00"));
    QCOMPARE(m_dlg->item<QComboBox>(kIdPower)->currentText(), QStringLiteral("3"));
    QCOMPARE(m_dlg->item<QComboBox>(kIdLifeCycle)->currentText(), QStringLiteral("24h"));
    QCOMPARE(m_dlg->item<QLineEdit>(kIdNetworkId)->text(), QStringLiteral("65535"));
    QCOMPARE(m_dlg->item<QLineEdit>(kIdNodeId)->text(), QStringLiteral("258"));
    QCOMPARE(m_dlg->item<QComboBox>(kIdUartBaud)->currentText(), QStringLiteral("115200"));
    QCOMPARE(m_dlg->item<QComboBox>(kIdUartParity)->currentText(), QStringLiteral("EVEN"));
    QCOMPARE(countLines(*m_dlg, QStringLiteral("> Read successful.(")), 1);

    // A power byte of 0 and a baud index of 8 lie outside their lists: no selection.
    receive(withCheck(bytes("0100820DA5A5E4C0260017FFFF01020802")));
    QCOMPARE(m_dlg->item<QComboBox>(kIdPower)->currentIndex(), -1);
    QCOMPARE(m_dlg->item<QComboBox>(kIdUartBaud)->currentIndex(), -1);
}

void PortWindowTest::shortSetupReplyChangesNothing() {
    open();
    receive(bytes("0100820DA5A5E4C02603 8F"));  // 11 bytes that pass the check
    QCOMPARE(m_dlg->item<QLineEdit>(kIdFrequency)->text(), QStringLiteral("434"));
    QCOMPARE(countLines(*m_dlg, QStringLiteral("> Read successful.")), 0);
}

void PortWindowTest::continuousSending() {
    open();
    m_dlg->item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("AA"));
    m_dlg->item<QComboBox>(kIdInterval)->setCurrentIndex(2);  // "3000ms"
    QTest::mouseClick(m_dlg->item<QCheckBox>(kIdContinuous), Qt::LeftButton);
    QVERIFY(m_dlg->item<QCheckBox>(kIdContinuous)->isChecked());
    for (int id : kCommandButtons) QVERIFY(!m_dlg->item<QWidget>(id)->isEnabled());

    const QString sent = QStringLiteral("> Send app data(");
    ticks(30);
    QCOMPARE(countLines(*m_dlg, sent), 0);
    ticks(1);  // the 31st tick
    QCOMPARE(countLines(*m_dlg, sent), 1);
    ticks(30);
    QCOMPARE(countLines(*m_dlg, sent), 1);
    ticks(1);
    QCOMPARE(countLines(*m_dlg, sent), 2);

    ticks(12);  // counter now 12: a change to "1000ms" sends on the next tick
    m_dlg->item<QComboBox>(kIdInterval)->setCurrentIndex(0);
    QCOMPARE(m_dlg->sendInterval(), 10);
    ticks(1);
    QCOMPARE(countLines(*m_dlg, sent), 3);
    ticks(11);
    QCOMPARE(countLines(*m_dlg, sent), 4);
    QCOMPARE(m_line->pty().readMaster(4 * 12, std::chrono::milliseconds(500)).size(), 4u * 12);

    press(kIdOpenClose);  // Close ends it
    QVERIFY(!m_dlg->item<QCheckBox>(kIdContinuous)->isChecked());
    QCOMPARE(m_dlg->sendCounter(), -1);
}

void PortWindowTest::continuousWaitsForAnOpenPort() {
    m_dlg->item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("AA"));
    m_dlg->item<QCheckBox>(kIdContinuous)->setChecked(true);
    m_dlg->OnContinuous();
    ticks(40);
    QCOMPARE(countLines(*m_dlg, QStringLiteral("> Send app data")), 0);
    QCOMPARE(m_dlg->sendCounter(), 0);

    // Turning it off with the port closed keeps the command buttons disabled.
    m_dlg->item<QCheckBox>(kIdContinuous)->setChecked(false);
    m_dlg->OnContinuous();
    for (int id : kCommandButtons) QVERIFY(!m_dlg->item<QWidget>(id)->isEnabled());
}

void PortWindowTest::tooLongDataIsRefused() {
    open();
    m_dlg->item<QTextEdit>(kIdData)->setPlainText(QString(118 * 2, u'A'));
    m_dlg->item<QCheckBox>(kIdContinuous)->setChecked(true);
    m_dlg->OnContinuous();
    m_dlg->SendAppData();
    QCOMPARE(countLines(*m_dlg, QStringLiteral("> Data too long: at most 117 bytes")), 1);
    QCOMPARE(countLines(*m_dlg, QStringLiteral("> Send app data")), 0);
    QVERIFY(!m_dlg->item<QCheckBox>(kIdContinuous)->isChecked());
    QVERIFY(m_dlg->item<QWidget>(kIdSendData)->isEnabled());
    QVERIFY(m_line->pty().readMaster(1, std::chrono::milliseconds(200)).empty());
}

// An idle window does not wake every 100 ms; the first byte of a reply wakes it, and the
// block is still cut by four ticks of silence.
void PortWindowTest::timerSleepsUntilSomethingIsPending() {
    m_dlg.reset();
    m_dlg = std::make_unique<app::CMeshcfgDlg>();  // with its own timer
    open();
    QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->isTicking(), 2000);
    QVERIFY(m_line->pty().writeMaster(bytes("0100810080")));
    QTRY_COMPARE_WITH_TIMEOUT(countLines(*m_dlg, QStringLiteral("> Write successful.")), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->isTicking(), 2000);

    m_dlg->item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("AA"));
    QTest::mouseClick(m_dlg->item<QCheckBox>(kIdContinuous), Qt::LeftButton);
    QVERIFY(m_dlg->isTicking());  // continuous sending needs every tick
    QTRY_COMPARE_WITH_TIMEOUT(countLines(*m_dlg, QStringLiteral("> Send app data")), 1, 5000);
    QTest::mouseClick(m_dlg->item<QCheckBox>(kIdContinuous), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->isTicking(), 2000);
}

// A list typed over sends the entry its text names, or reads as having no selection.
void PortWindowTest::typedOverListSendsWhatItShows_data() {
    QTest::addColumn<int>("list");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("button");
    QTest::addColumn<QByteArray>("expected");  // without the check byte
    const char* setup = "0100010DA5A56C80 12%1 %2 00010001 %3 %4";
    auto setupFrame = [setup](const char* power, const char* life, const char* baud,
                              const char* parity) {
        return QByteArray::fromHex(
            QString::fromLatin1(setup).arg(power, life, baud, parity).toLatin1());
    };
    QTest::newRow("power 9") << kIdPower << "9" << kIdWrite << setupFrame("00", "00", "03", "00");
    QTest::newRow("power 3") << kIdPower << "3" << kIdWrite << setupFrame("03", "00", "03", "00");
    QTest::newRow("life cycle 25h")
        << kIdLifeCycle << "25h" << kIdWrite << setupFrame("07", "FF", "03", "00");
    QTest::newRow("life cycle 24h")
        << kIdLifeCycle << "24h" << kIdWrite << setupFrame("07", "17", "03", "00");
    QTest::newRow("uart baud 14400")
        << kIdUartBaud << "14400" << kIdWrite << setupFrame("07", "00", "FF", "00");
    QTest::newRow("uart parity MARK")
        << kIdUartParity << "MARK" << kIdWrite << setupFrame("07", "00", "03", "FF");
    QTest::newRow("uart parity EVEN")
        << kIdUartParity << "EVEN" << kIdWrite << setupFrame("07", "00", "03", "02");
    QTest::newRow("jump 9") << kIdJump << "9" << kIdSendData
                            << QByteArray::fromHex("050001080001 00 00 01 020102");
    QTest::newRow("route mode Auto2") << kIdRouteMode << "Auto2" << kIdSendData
                                      << QByteArray::fromHex("050001080001 00 07 FF 020102");
    QTest::newRow("route mode Source") << kIdRouteMode << "Source" << kIdSendData
                                       << QByteArray::fromHex("050001090001 00 07 03 00 020102");
}

void PortWindowTest::typedOverListSendsWhatItShows() {
    QFETCH(int, list);
    QFETCH(QString, typed);
    QFETCH(int, button);
    QFETCH(QByteArray, expected);
    m_dlg->show();
    open();
    m_dlg->item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("01 02"));
    typeOver(list, typed);
    press(button);
    const proto::Frame frame = withCheck({expected.begin(), expected.end()});
    const QByteArray wanted(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
    QCOMPARE(sent(wanted.size()).toHex(' '), wanted.toHex(' '));
}

void PortWindowTest::typedOverPortListsOpenWhatTheyShow() {
    m_dlg->show();
    auto* openClose = m_dlg->item<QPushButton>(kIdOpenClose);
    typeOver(kIdPortList, QStringLiteral("COM20"));  // no such entry: Open does nothing
    press(kIdOpenClose);
    QVERIFY(!m_dlg->serial()->isOpen());
    typeOver(kIdPortList, QStringLiteral("COM%1").arg(kAliasPort));  // names the alias's entry
    typeOver(kIdPortBaud, QStringLiteral("14400"));
    press(kIdOpenClose);
    QVERIFY(!m_dlg->serial()->isOpen());
    QCOMPARE(openClose->toolTip(), QStringLiteral("Choose a baud rate and a parity first"));
    typeOver(kIdPortBaud, QStringLiteral("115200"));
    typeOver(kIdPortParity, QStringLiteral("ODD"));
    press(kIdOpenClose);
    QVERIFY(m_dlg->serial()->isOpen());
    QVERIFY(m_dlg->serial()->lastError().empty());
}

void PortWindowTest::typedOverRelayingAndIntervalRunTheirHandlers() {
    m_dlg->show();
    open();
    m_dlg->item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("AA"));
    typeOver(kIdRouteMode, QStringLiteral("Source"));
    typeOver(kIdRelaying, QStringLiteral("2"));
    QVERIFY(m_dlg->item<QWidget>(kIdRelayFirst + 1)->isEnabled());
    m_dlg->item<QLineEdit>(kIdRelayFirst)->setText(QStringLiteral("0009"));
    typeOver(kIdRelaying, QStringLiteral("7"));  // no such count: no relay
    for (int i = 0; i < kRelayFieldCount; ++i)
        QVERIFY(!m_dlg->item<QWidget>(kIdRelayFirst + i)->isEnabled());

    m_dlg->item<QComboBox>(kIdInterval)->setCurrentIndex(5);  // "10000ms"
    typeOver(kIdInterval, QStringLiteral("1500ms"));          // no selection: 10 ticks
    QTest::mouseClick(m_dlg->item<QCheckBox>(kIdContinuous), Qt::LeftButton);
    ticks(10);
    QVERIFY(sent(1).isEmpty());
    ticks(1);
    const proto::Frame frame = withCheck(hexBytes("05 00 01 08 00 01 00 07 03 00 01 AA"));
    const QByteArray wanted(reinterpret_cast<const char*>(frame.data()), qsizetype(frame.size()));
    QCOMPARE(sent(wanted.size()).toHex(' '), wanted.toHex(' '));
}

enum class RunEnd { Unchecked, Closed, HungUp, EmptyData, TooLongData };

void PortWindowTest::linkTestEndsWithItsSummary_data() {
    QTest::addColumn<RunEnd>("end");
    QTest::newRow("box unchecked") << RunEnd::Unchecked;
    QTest::newRow("port closed") << RunEnd::Closed;
    QTest::newRow("port lost") << RunEnd::HungUp;
    QTest::newRow("empty data") << RunEnd::EmptyData;
    QTest::newRow("too long data") << RunEnd::TooLongData;
}

// Three sends a second apart: the first confirmed "Route not found.", the second ok after the
// third went out (confirmations come in the order of the sends), the third still waiting when
// the run ends. The box's tooltip follows once a second; the log gets the figures at the end.
void PortWindowTest::linkTestEndsWithItsSummary() {
    QFETCH(RunEnd, end);
    open();
    auto* box = m_dlg->item<QCheckBox>(kIdContinuous);
    m_dlg->item<QTextEdit>(kIdData)->setPlainText(QStringLiteral("AA"));
    QTest::mouseClick(box, Qt::LeftButton);
    const auto confirm = [&](const char* status) {
        receive(withCheck(hexBytes(std::string("05 00 81 03 00 01 ") + status)));
    };
    ticks(11);
    QCOMPARE(m_line->pty().readMaster(12).size(), 12u);
    confirm("C7");
    ticks(7 + 11);
    QCOMPARE(m_line->pty().readMaster(24).size(), 24u);  // the second and third sends
    confirm("00");
    const QString trips = QStringLiteral("; round trip min \\d+ ms, median \\d+ ms, max \\d+ ms");
    QVERIFY(box->toolTip().contains(
        QRegularExpression("^Link test: 2 sent, 1 Route not found" + trips + "$")));
    ticks(4);  // the refresh a second after the last
    QVERIFY(box->toolTip().contains(
        QRegularExpression("^Link test: 3 sent, 1 ok, 1 Route not found" + trips + "$")));
    const QString figures = "Link test: 3 sent, 1 ok, 1 Route not found, 1 no reply" + trips;

    switch (end) {
        case RunEnd::Unchecked:
            QTest::mouseClick(box, Qt::LeftButton);
            break;
        case RunEnd::Closed:
            press(kIdOpenClose);
            break;
        case RunEnd::HungUp:
            m_line->pty().closeMaster();
            QTRY_VERIFY_WITH_TIMEOUT(!m_dlg->serial()->isOpen(), 5000);
            break;
        case RunEnd::EmptyData:
            m_dlg->item<QTextEdit>(kIdData)->setPlainText(QStringLiteral(" "));
            ticks(11);
            break;
        case RunEnd::TooLongData:
            m_dlg->item<QTextEdit>(kIdData)->setPlainText(QString(118 * 2, u'A'));
            ticks(11);
            break;
    }
    QVERIFY(!box->isChecked());
    QVERIFY(box->toolTip().isEmpty());
    const app::LogLines& log = m_dlg->log().lines();
    const QString last = log.text(log.size() - 1);
    QVERIFY2(last.contains(QRegularExpression("^> " + figures + "\\(.+\\)$")), qPrintable(last));
    QCOMPARE(log.color(log.size() - 1), app::kReceivedFrameColor);
    QCOMPARE(countLines(*m_dlg, QStringLiteral("> Link test:")), 1);
}

void PortWindowTest::portsFileProblemsAreSaid_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("problem");  // how the line starts after the file's name
    QTest::newRow("number of a present port")
        << QByteArray("[ports]\nCOM200 = \"rfc2217://bench-3:3333\"\n")
        << QStringLiteral(":2: COM200 is already ");
    QTest::newRow("does not parse") << QByteArray("[ports\n") << QStringLiteral(":1: ");
    QTest::newRow("usable") << QByteArray("[ports]\nCOM150 = \"tcp://10.0.0.7:4001\"\n")
                            << QString();
}

// Said once at start and once again at each Refresh, never by the list's own refills.
void PortWindowTest::portsFileProblemsAreSaid() {
    QFETCH(QByteArray, file);
    QFETCH(QString, problem);
    const QString path = startWithPortsFile(file);
    const int expected = problem.isEmpty() ? 0 : 1;
    const QString said = QStringLiteral("> ") + path + problem;

    QCOMPARE(countLines(*m_dlg, said), expected);
    QCOMPARE(countLines(*m_dlg, QStringLiteral("> ")), expected);
    QVERIFY(selectAlias());
    m_dlg->OnRefresh();
    QCOMPARE(countLines(*m_dlg, said), 2 * expected);
    QCOMPARE(countLines(*m_dlg, QStringLiteral("> ")), 2 * expected);
    if (expected > 0) QCOMPARE(m_dlg->log().lines().color(0), app::kSentFrameColor);
    QVERIFY(selectAlias());  // the alias is still listed beside the file's entries
}

// The field shows the chosen entry's COM name and elides the rest; the drop-down shows every
// entry whole.
void PortWindowTest::entriesShowTheirComNameFirst() {
    startWithPortsFile("[ports]\nCOM150 = \"rfc2217://bench-3.workshop.example:3333\"\n");
    m_dlg->show();
    auto* list = m_dlg->item<QComboBox>(kIdPortList);
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    for (int i = 0; i < list->count(); ++i) {
        list->setCurrentIndex(i);
        list->lineEdit()->setCursorPosition(list->lineEdit()->text().size());  // scrolled away
        const QString shown = widgets::ElidedField::visibleText(*list->lineEdit());
        const QString name = entries[i].section(u' ', 0, 0);
        QVERIFY2(shown.startsWith(name + u' ') || shown == name + QChar(0x2026), qPrintable(shown));
        if (shown != entries[i]) QVERIFY(shown.endsWith(QChar(0x2026)));
        const QAbstractItemView& view = *list->view();
        QVERIFY(view.minimumWidth() - 2 * view.frameWidth() -
                    view.style()->pixelMetric(QStyle::PM_ScrollBarExtent) >=
                view.fontMetrics().horizontalAdvance(entries[i]));
    }
    QVERIFY(entries.filter(QStringLiteral("COM150 (rfc2217://")).size() == 1);
}

void PortWindowTest::entriesKeepTheirComNumber_data() {
    QTest::addColumn<QString>("entry");  // how the entry starts
    QTest::addColumn<int>("port");
    QTest::newRow("alias") << QStringLiteral("COM200 (") << kAliasPort;
    QTest::newRow("ports.toml entry") << QStringLiteral("COM150 (tcp://") << 150;
}

// Open takes the number from the entry's data (aliasIsListedAndOpens opens by it).
void PortWindowTest::entriesKeepTheirComNumber() {
    QFETCH(QString, entry);
    QFETCH(int, port);
    startWithPortsFile("[ports]\nCOM150 = \"tcp://10.0.0.7:4001\"\n");
    auto* list = m_dlg->item<QComboBox>(kIdPortList);
    const int index = list->findText(entry, Qt::MatchStartsWith);
    QVERIFY(index >= 0);
    QCOMPARE(list->itemData(index).toInt(), port);
}

QTEST_MAIN(PortWindowTest)
#include "PortWindowTest.moc"
