// The main window without a port: defaults, the activity log, the typing filters, the send
// routine and the receive step driven tick by tick.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QtTest>

#include "CMeshcfgDlg.h"
#include "QZSerial.h"
#include "ScopedRuntimeDir.h"
#include "SystemBeep.h"

using namespace res;

namespace {

QStringList logLines(app::CMeshcfgDlg& dlg) {
    QStringList lines = dlg.log().allText().split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
    return lines;
}

QRgb lineColour(app::CMeshcfgDlg& dlg, int line) {
    return dlg.log().lines().color(line);
}

void feed(app::CMeshcfgDlg& dlg, const QByteArray& bytes) {
    for (char b : bytes) dlg.serial()->OnReceiveByte(static_cast<unsigned char>(b));
}

void ticks(app::CMeshcfgDlg& dlg, int count) {
    for (int i = 0; i < count; ++i) dlg.OnTimer();
}

const QRegularExpression kTimestampSuffix(
    QStringLiteral("\\(\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\)$"));

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_runtime = std::make_unique<ScopedRuntimeDir>();
        m_beeps = 0;
        widgets::setBeepHook([this] { ++m_beeps; });
        m_dlg = std::make_unique<app::CMeshcfgDlg>();
        m_dlg->stopTimer();
    }
    void cleanup() {
        m_dlg.reset();
        widgets::setBeepHook({});
        m_runtime.reset();
    }

    void defaults_data();
    void defaults();
    void portSideLists();
    void titleAndGroups();
    void logLinesTakeTheColourSetLast();
    void colourLeavesSelectedTextAlone();
    void copyAllAndClearAll();
    void timestamp();
    void hexFilter_data();
    void hexFilter();
    void typingLimitsApplyToTypingOnly();
    void dataFieldScrollsWhenNeeded();
    void requestIsLoggedWhenPortClosed();
    void receiveStep_data();
    void receiveStep();
    void blockCutBySilence();
    void droppedBytesAreReported();
    void relayControls();
    void tabOrderFollowsTheLayout();
    void buttonsPressFromTheKeyboard();

  private:
    std::unique_ptr<ScopedRuntimeDir> m_runtime;
    std::unique_ptr<app::CMeshcfgDlg> m_dlg;
    int m_beeps = 0;
};

void MainWindowTest::defaults_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");  // -2: not a list
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");

    QTest::newRow("port baud") << kIdPortBaud << "9600" << 3 << true << true;
    QTest::newRow("port parity") << kIdPortParity << "NO" << 0 << true << true;
    QTest::newRow("open") << kIdOpenClose << "Open" << -2 << true << true;
    QTest::newRow("refresh") << kIdRefresh << "Refresh" << -2 << true << true;
    QTest::newRow("frequency") << kIdFrequency << "434" << -2 << true << true;
    QTest::newRow("power") << kIdPower << "7" << 6 << true << true;
    QTest::newRow("life cycle") << kIdLifeCycle << "1h" << 0 << true << true;
    QTest::newRow("network id") << kIdNetworkId << "1" << -2 << true << true;
    QTest::newRow("node id") << kIdNodeId << "1" << -2 << true << true;
    QTest::newRow("uart baud") << kIdUartBaud << "9600" << 3 << true << true;
    QTest::newRow("uart parity") << kIdUartParity << "NO" << 0 << true << true;
    QTest::newRow("write") << kIdWrite << "Write" << -2 << false << true;
    QTest::newRow("read") << kIdRead << "Read" << -2 << false << true;
    QTest::newRow("read route") << kIdReadRoute << "Read Route" << -2 << false << true;
    QTest::newRow("read path") << kIdReadPath << "Read Path" << -2 << false << true;
    QTest::newRow("send data") << kIdSendData << "Send data" << -2 << false << true;
    QTest::newRow("target id") << kIdTargetId << "1" << -2 << true << true;
    QTest::newRow("route mode") << kIdRouteMode << "Auto" << 1 << true << true;
    QTest::newRow("jump") << kIdJump << "7" << 6 << true << true;
    QTest::newRow("ack request") << kIdAckRequest << "ACK Request" << -2 << true << false;
    QTest::newRow("continuous") << kIdContinuous << "Continuous" << -2 << true << true;
    QTest::newRow("interval") << kIdInterval << "1000ms" << 0 << true << true;
    QTest::newRow("relaying") << kIdRelaying << "0" << 0 << false << true;
    for (int i = 0; i < kRelayFieldCount; ++i)
        QTest::addRow("relay %d", i) << kIdRelayFirst + i << "" << -2 << false << true;
}

void MainWindowTest::defaults() {
    QFETCH(int, id);
    QFETCH(QString, text);
    QFETCH(int, index);
    QFETCH(bool, enabled);
    QFETCH(bool, visible);
    m_dlg->show();
    QWidget* w = m_dlg->item<QWidget>(id);
    QVERIFY(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QCOMPARE(combo->currentIndex(), index);
        QCOMPARE(combo->currentText(), text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        QCOMPARE(edit->text(), text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        QCOMPARE(button->text(), text);
        if (auto* box = qobject_cast<QCheckBox*>(w)) QVERIFY(!box->isChecked());
    }
    QCOMPARE(w->isEnabled(), enabled);
    QCOMPARE(w->isVisible(), visible);
}

void MainWindowTest::portSideLists() {
    auto items = [this](int id) {
        QStringList all;
        auto* combo = m_dlg->item<QComboBox>(id);
        for (int i = 0; i < combo->count(); ++i) all << combo->itemText(i);
        return all;
    };
    const QStringList rates = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
    QCOMPARE(items(kIdPortBaud), rates);
    QCOMPARE(items(kIdUartBaud), rates);
    QCOMPARE(items(kIdPortParity), QStringList({"NO", "ODD", "EVEN"}));
    QCOMPARE(items(kIdRouteMode), QStringList({"Forbidden", "Auto", "Force", "Source"}));
    QCOMPARE(items(kIdLifeCycle).size(), 24);
    QCOMPARE(items(kIdLifeCycle).back(), QStringLiteral("24h"));
    QCOMPARE(items(kIdInterval),
             QStringList({"1000ms", "2000ms", "3000ms", "5000ms", "8000ms", "10000ms"}));
}

void MainWindowTest::titleAndGroups() {
    QCOMPARE(m_dlg->windowTitle(), QStringLiteral("RF tool qz-470mr v1.2"));
    QStringList groups;
    for (auto* box : m_dlg->findChildren<QGroupBox*>()) groups << box->title();
    QCOMPARE(groups, QStringList({"Usart Select", "数据信息框", "RF Config", "Send test:"}));
    // Fixed size: the window cannot be resized.
    QCOMPARE(m_dlg->minimumSize(), m_dlg->maximumSize());
}

void MainWindowTest::logLinesTakeTheColourSetLast() {
    m_dlg->SetLogColor(app::kSentFrameColor);
    m_dlg->AppendLog("> 01 00 03 00 02 ");
    m_dlg->AppendLog("> Read route list");
    m_dlg->SetLogColor(app::kReceivedFrameColor);
    m_dlg->AppendLog("> 00 ");
    QCOMPARE(logLines(*m_dlg), QStringList({"> 01 00 03 00 02 ", "> Read route list", "> 00 "}));
    const QRgb expected[] = {app::kSentFrameColor, app::kSentFrameColor, app::kReceivedFrameColor};
    for (int line = 0; line < 3; ++line) QCOMPARE(lineColour(*m_dlg, line), expected[line]);
    // Every line is drawn in the log's font.
    QCOMPARE(m_dlg->log().font().pointSize(), 10);
    QVERIFY(m_dlg->log().font().weight() < QFont::Bold);
}

void MainWindowTest::colourLeavesSelectedTextAlone() {
    m_dlg->SetLogColor(app::kSentFrameColor);
    m_dlg->AppendLog("first");
    m_dlg->log().selectLines(0, 0);
    m_dlg->SetLogColor(app::kReceivedFrameColor);
    m_dlg->AppendLog("second");
    QCOMPARE(lineColour(*m_dlg, 0), app::kSentFrameColor);
    QCOMPARE(lineColour(*m_dlg, 1), app::kReceivedFrameColor);
    QCOMPARE(m_dlg->log().selectedText(), QStringLiteral("first\n"));
}

void MainWindowTest::copyAllAndClearAll() {
    QGuiApplication::clipboard()->setText(QStringLiteral("stale"));
    m_dlg->OnCopyAll();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());

    m_dlg->AppendLog("one");
    m_dlg->AppendLog("二");
    m_dlg->OnCopyAll();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("one\n二\n"));
    QCOMPARE(m_dlg->log().selectedText(), QStringLiteral("one\n二\n"));

    m_dlg->OnClearAll();
    QCOMPARE(m_dlg->log().allText(), QString());
    m_dlg->AppendLog("again");
    QCOMPARE(logLines(*m_dlg), QStringList({"again"}));
}

void MainWindowTest::timestamp() {
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "UTC");
    tzset();
    QCOMPARE(app::CMeshcfgDlg::FormatTimestamp(1714997007), QStringLiteral("2024-05-06 12:03:27"));
    QCOMPARE(app::CMeshcfgDlg::FormatTimestamp(0), QStringLiteral("1970-01-01 00:00:00"));
    oldTz.isNull() ? qunsetenv("TZ") : qputenv("TZ", oldTz);
    tzset();
    QVERIFY(kTimestampSuffix.match(app::CMeshcfgDlg::timestampSuffix()).hasMatch());
}

void MainWindowTest::hexFilter_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("beeps");

    const int relay = kIdRelayFirst;
    QTest::newRow("relay hex and space") << relay << "1a F"
                                         << "1a F" << 0;
    QTest::newRow("relay refuses g x - .") << relay << "gx-."
                                           << "" << 4;
    QTest::newRow("relay refuses ctrl+v") << relay << "\x16"
                                          << "" << 1;
    QTest::newRow("relay backspace deletes") << relay << "12\b"
                                             << "1" << 0;
    QTest::newRow("network id digits only") << kIdNetworkId << "\b9a"
                                            << "9" << 1;
    QTest::newRow("node id refuses letters") << kIdNodeId << "\bzF7"
                                             << "7" << 2;
    QTest::newRow("target id limit 4") << kIdTargetId << "\b12345"
                                       << "1234" << 1;
    QTest::newRow("data hex and space") << kIdData << "a1 B2"
                                        << "a1 B2" << 0;
    QTest::newRow("data refuses enter") << kIdData << "12\r"
                                        << "12" << 1;
    // The clipboard holds "zz 0A" (set by the test): a paste by keyboard is not filtered.
    QTest::newRow("data pastes ctrl+v") << kIdData << "\x16"
                                        << "zz 0A" << 0;
    QTest::newRow("data ctrl+a ctrl+c ctrl+v") << kIdData << "12 \x01\x03\x16\x16"
                                               << "12 12 " << 0;
    QTest::newRow("data ctrl+a ctrl+x ctrl+v") << kIdData << "ab\x01\x18\x16\x16"
                                               << "abab" << 0;
    QTest::newRow("data ctrl+z") << kIdData << "ab\x1a"
                                 << "" << 0;
}

void MainWindowTest::hexFilter() {
    QFETCH(int, id);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    QFETCH(int, beeps);
    m_dlg->show();
    QWidget* field = m_dlg->item<QWidget>(id);
    field->setEnabled(true);
    field->setFocus();
    QGuiApplication::clipboard()->setText(QStringLiteral("zz 0A"));
    for (QChar c : typed) {
        const int key = c == u'\b' ? Qt::Key_Backspace : c == u'\r' ? Qt::Key_Return : 0;
        // Other control characters are Ctrl with the letter: 0x16 is Ctrl+V.
        const bool ctrl = !key && c.unicode() < 0x20;
        const Qt::KeyboardModifiers mods = ctrl ? Qt::ControlModifier : Qt::NoModifier;
        const int qtKey = key    ? key
                          : ctrl ? int(Qt::Key_A) + c.unicode() - 1
                                 : int(c.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, field, static_cast<Qt::Key>(qtKey), QString(c), mods);
        QTest::sendKeyEvent(QTest::Release, field, static_cast<Qt::Key>(qtKey), QString(c), mods);
    }
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        QCOMPARE(line->text(), result);
    } else {
        QCOMPARE(qobject_cast<QTextEdit*>(field)->toPlainText(), result);
    }
    QCOMPARE(m_beeps, beeps);
}

void MainWindowTest::typingLimitsApplyToTypingOnly() {
    m_dlg->show();
    auto* frequency = m_dlg->item<QLineEdit>(kIdFrequency);
    frequency->setFocus();
    frequency->end(false);
    QTest::keyClick(frequency, Qt::Key_5);
    QCOMPARE(frequency->text(), QStringLiteral("434"));
    QCOMPARE(m_beeps, 1);
    frequency->setText("434.00");  // what a setup reply writes
    QCOMPARE(frequency->text(), QStringLiteral("434.00"));
    frequency->selectAll();
    QTest::keyClick(frequency, Qt::Key_9);  // replaces the selection: within the limit
    QCOMPARE(frequency->text(), QStringLiteral("9"));
    QTest::keyClick(frequency, Qt::Key_A);  // the frequency field takes digits only
    QCOMPARE(frequency->text(), QStringLiteral("9"));
    QCOMPARE(m_beeps, 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("915.00"));
    frequency->paste();  // as from the context menu: neither limit nor digits apply
    QCOMPARE(frequency->text(), QStringLiteral("9915.00"));
    QCOMPARE(m_beeps, 2);
}

void MainWindowTest::dataFieldScrollsWhenNeeded() {
    m_dlg->show();
    auto* data = m_dlg->item<QTextEdit>(kIdData);
    data->setPlainText(QStringLiteral("01 02"));
    QApplication::processEvents();
    QVERIFY(!data->verticalScrollBar()->isVisible());
    data->setPlainText(QStringLiteral("01\n").repeated(20));
    QApplication::processEvents();
    QVERIFY(data->verticalScrollBar()->isVisible());
}

void MainWindowTest::requestIsLoggedWhenPortClosed() {
    m_dlg->OnRead();
    const QStringList lines = logLines(*m_dlg);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QStringLiteral("> 01 00 02 0D A5 A5 00 00 00 00 00 00 00 00 00 00 00 0E "));
    QVERIFY(lines[1].startsWith("> Read setup data("));
    QVERIFY(kTimestampSuffix.match(lines[1]).hasMatch());
    QCOMPARE(lineColour(*m_dlg, 0), app::kSentFrameColor);
    QCOMPARE(lineColour(*m_dlg, 1), app::kSentFrameColor);
}

void MainWindowTest::receiveStep_data() {
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QStringList>("lines");  // after the hex dump, timestamps cut off

    QTest::newRow("single 00 passes, not dispatched") << QByteArray::fromHex("00") << QStringList();
    QTest::newRow("wrong check byte") << QByteArray::fromHex("0100810081") << QStringList();
    QTest::newRow("write acknowledged")
        << QByteArray::fromHex("0100810080") << QStringList({"> Write successful."});
    QTest::newRow("receive notice")
        << QByteArray::fromHex("0500820087") << QStringList({"> Received ok."});
    QTest::newRow("send ok") << QByteArray::fromHex("05008103000100 86")
                             << QStringList({"> Send data ok."});
    QTest::newRow("type 01 with 89 is a send status")
        << QByteArray::fromHex("010089030001C7 4D") << QStringList({"> Route not found."});
    QTest::newRow("unknown status gives the suffix alone")
        << QByteArray::fromHex("05008103000105 83") << QStringList({""});
    QTest::newRow("0x85 only logs") << QByteArray::fromHex("0100850084") << QStringList();
    QTest::newRow("two whole frames dispatch in turn")
        << QByteArray::fromHex("0100810080 0500820087")
        << QStringList({"> Write successful.", "> Received ok."});
    QTest::newRow("two frames and a byte dispatch once by the first")
        << QByteArray::fromHex("0100810080 0500820087 00") << QStringList({"> Write successful."});
    QTest::newRow("short send status is dump only")
        << QByteArray::fromHex("05008184") << QStringList();
}

void MainWindowTest::receiveStep() {
    QFETCH(QByteArray, block);
    QFETCH(QStringList, lines);
    feed(*m_dlg, block);
    ticks(*m_dlg, 3);
    QCOMPARE(logLines(*m_dlg).size(), 0);  // still within the silence
    ticks(*m_dlg, 1);
    QStringList logged = logLines(*m_dlg);
    QVERIFY(!logged.isEmpty());
    QString dump = QStringLiteral(">");
    for (char b : block) dump += QStringLiteral(" %1").arg(quint8(b), 2, 16, QChar(u'0')).toUpper();
    QCOMPARE(logged.takeFirst(), dump + u' ');
    for (QString& line : logged) {
        QVERIFY2(kTimestampSuffix.match(line).hasMatch(), qPrintable(line));
        line.remove(kTimestampSuffix);
    }
    QCOMPARE(logged, lines);
    for (int line = 0; line <= lines.size(); ++line)
        QCOMPARE(lineColour(*m_dlg, line), app::kReceivedFrameColor);
}

void MainWindowTest::blockCutBySilence() {
    feed(*m_dlg, QByteArray::fromHex("0100"));
    ticks(*m_dlg, 2);
    feed(*m_dlg, QByteArray::fromHex("810080"));  // gap of 200 ms: same block
    ticks(*m_dlg, 4);
    feed(*m_dlg, QByteArray::fromHex("00"));  // 400 ms later: a block of its own
    ticks(*m_dlg, 4);
    const QStringList lines = logLines(*m_dlg);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("> 01 00 81 00 80 "));
    QCOMPARE(lines[2], QStringLiteral("> 00 "));
}

void MainWindowTest::droppedBytesAreReported() {
    QByteArray flood(1100, '\x01');
    feed(*m_dlg, flood);
    ticks(*m_dlg, 4);
    const QStringList lines = logLines(*m_dlg);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].size(), 2 + 3 * 1024);
    QCOMPARE(lines[1], QStringLiteral("> 76 bytes dropped: receive buffer full."));
}

void MainWindowTest::relayControls() {
    auto* mode = m_dlg->item<QComboBox>(kIdRouteMode);
    auto* relaying = m_dlg->item<QComboBox>(kIdRelaying);
    auto relaysEnabled = [this] {
        int enabled = 0;
        for (int i = 0; i < kRelayFieldCount; ++i)
            enabled += m_dlg->item<QWidget>(kIdRelayFirst + i)->isEnabled() ? 1 : 0;
        return enabled;
    };
    mode->setCurrentIndex(3);
    QVERIFY(relaying->isEnabled());
    QCOMPARE(relaysEnabled(), 0);
    relaying->setCurrentIndex(3);
    QCOMPARE(relaysEnabled(), 3);
    QVERIFY(m_dlg->item<QWidget>(kIdRelayFirst + 2)->isEnabled());
    QVERIFY(!m_dlg->item<QWidget>(kIdRelayFirst + 3)->isEnabled());
    mode->setCurrentIndex(2);
    QVERIFY(!relaying->isEnabled());
    QCOMPARE(relaysEnabled(), 0);
    QCOMPARE(relaying->currentIndex(), 3);  // the selection stays
}

// The control a focused widget belongs to (an editable list's field belongs to the list).
static int controlId(QWidget* w) {
    for (; w; w = w->parentWidget()) {
        bool isId = false;
        const int id = w->objectName().toInt(&isId);
        if (isId) return id;
    }
    return layout::kNoId;
}

void MainWindowTest::tabOrderFollowsTheLayout() {
    m_dlg->show();
    QApplication::setActiveWindow(m_dlg.get());
    QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
    QList<int> expected;
    for (const layout::ControlTemplate& c : layout::dialogTemplate(kDialogMain).controls) {
        QWidget* w = m_dlg->item<QWidget>(c.id);
        if (w && w->isVisible() && w->isEnabled() && w->focusPolicy() & Qt::TabFocus)
            expected << c.id;
    }
    QVERIFY(expected.size() > 15);
    m_dlg->item<QWidget>(expected.front())->setFocus();
    QList<int> reached;
    for (int i = 0; i < expected.size(); ++i) {
        reached << controlId(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(reached, expected);
    QCOMPARE(controlId(QApplication::focusWidget()), expected.front());  // and round again
}

void MainWindowTest::buttonsPressFromTheKeyboard() {
    m_dlg->show();
    QApplication::setActiveWindow(m_dlg.get());
    QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
    auto* read = m_dlg->item<QPushButton>(kIdRead);
    read->setEnabled(true);  // as with an open port
    read->setFocus();
    QTest::keyClick(read, Qt::Key_Space);
    QCOMPARE(logLines(*m_dlg).size(), 2);   // the Read setup request went out
    QTest::keyClick(read, Qt::Key_Return);  // Enter presses the focused button too
    QCOMPARE(logLines(*m_dlg).size(), 4);
    QVERIFY(m_dlg->isVisible());
    m_dlg->item<QLineEdit>(kIdFrequency)->setFocus();
    QTest::keyClick(m_dlg->item<QLineEdit>(kIdFrequency), Qt::Key_Escape);
    QVERIFY(!m_dlg->isVisible());  // Esc ends the dialog
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
