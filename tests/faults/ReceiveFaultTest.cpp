// The window's receive path against a far end that hangs up in the middle of a reply and
// against garbage: every block shows as exactly its hex dump, and nothing stale is
// dispatched.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <random>

#include "CMeshcfgDlg.h"
#include "PtyPair.h"
#include "QZSerial.h"
#include "WindowOnPty.h"

using namespace res;

namespace {

using Bytes = std::vector<std::uint8_t>;

// 915 MHz, power 3, life cycle 24h, network 65535, node 258, 115200 baud, even parity.
const Bytes kSetupReply = withCheck({0x01, 0x00, 0x82, 0x0D, 0xA5, 0xA5, 0xE4, 0xC0, 0x26, 0x03,
                                     0x17, 0xFF, 0xFF, 0x01, 0x02, 0x07, 0x02});
const Bytes kSendOk = withCheck({0x05, 0x00, 0x81, 0x03, 0x00, 0x01, 0x00});

enum class Garbage { kFailsCheck, kUnknownType, kCodeWithoutHandler };

bool hasHandler(std::uint8_t code) {
    for (const std::uint8_t handled : {0x81, 0x82, 0x83, 0x88, 0x89, 0x8A})
        if (code == handled) return true;
    return false;
}

// A random block of 1 to 1024 bytes that the window must show as its dump and nothing else.
Bytes garbageBlock(Garbage kind, std::mt19937& random) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> length(1, 1024);
    Bytes block(length(random));
    for (std::uint8_t& b : block) b = static_cast<std::uint8_t>(byte(random));
    switch (kind) {
        case Garbage::kFailsCheck: {
            const std::uint8_t check = proto::xorOf(std::span(block).first(block.size() - 1));
            if (block.back() == check) block.back() ^= 0x01;
            return block;
        }
        case Garbage::kUnknownType:
            while (block[0] == 0x01 || block[0] == 0x05) block[0] = byte(random);
            break;
        case Garbage::kCodeWithoutHandler:
            block.resize(std::max<std::size_t>(block.size(), 4));
            block[0] = 0x01;
            while (hasHandler(block[2])) block[2] = byte(random);
            break;
    }
    block.pop_back();
    return withCheck(std::move(block));
}

int linesStartingWith(const QStringList& lines, const QString& prefix) {
    int n = 0;
    for (const QString& line : lines) n += line.startsWith(prefix) ? 1 : 0;
    return n;
}

}  // namespace

Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(Garbage)

class ReceiveFaultTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_win = std::make_unique<WindowOnPty>(WindowOnPty::Ticks::kDriven); }
    void cleanup() { m_win.reset(); }

    void hangupInTheMiddleOfAReply_data();
    void hangupInTheMiddleOfAReply();
    void garbageShowsAsItsDumpOnly_data();
    void garbageShowsAsItsDumpOnly();
    void everySingleByteShowsAsItsDumpOnly();

  private:
    // The far end sends block; it is cut by silence and must add exactly its dump line.
    void expectDumpOnly(const Bytes& block) {
        const int before = m_win->logLineCount();
        QVERIFY(m_win->arrive(block));
        m_win->ticks(4);
        QCOMPARE(m_win->logLineCount(), before + 1);
        QCOMPARE(m_win->lastLogLine(), dumpLine(block));
    }

    std::unique_ptr<WindowOnPty> m_win;
};

void ReceiveFaultTest::hangupInTheMiddleOfAReply_data() {
    QTest::addColumn<Bytes>("earlier");  // a whole reply handled before, whose bytes are stale
    QTest::addColumn<QString>("earlierResult");
    QTest::addColumn<Bytes>("partial");
    QTest::newRow("setup reply cut after 9 bytes")
        << kSetupReply << "> Read successful.("
        << Bytes(kSetupReply.begin(), kSetupReply.begin() + 9);
    QTest::newRow("setup reply cut where it passes the check")
        << kSetupReply << "> Read successful.(" << withCheck({0x01, 0x00, 0x82});
    QTest::newRow("send status cut before its status byte")
        << kSendOk << "> Send data ok.(" << withCheck({0x05, 0x00, 0x81, 0x03, 0x00});
    QTest::newRow("route list cut where it passes the check")
        << Bytes{} << QString() << withCheck({0x01, 0x00, 0x83});
    QTest::newRow("path list cut where it passes the check")
        << Bytes{} << QString() << withCheck({0x01, 0x00, 0x88, 0x05});
    QTest::newRow("a lone byte 00") << kSendOk << "> Send data ok.(" << Bytes{0x00};
}

void ReceiveFaultTest::hangupInTheMiddleOfAReply() {
    QFETCH(Bytes, earlier);
    QFETCH(QString, earlierResult);
    QFETCH(Bytes, partial);
    app::CMeshcfgDlg& dlg = m_win->dlg();
    QVERIFY(m_win->open());
    if (!earlier.empty()) {
        QVERIFY(m_win->arrive(earlier));
        m_win->ticks(4);
        QCOMPARE(linesStartingWith(m_win->logLines(), earlierResult), 1);
    }
    auto* frequency = dlg.item<QLineEdit>(kIdFrequency);
    frequency->setText(QStringLiteral("434"));
    const int before = m_win->logLineCount();

    QVERIFY(m_win->arrive(partial));
    m_win->pty().closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(m_win->showsClosedState(), 5000);
    QVERIFY(dlg.item<QPushButton>(kIdOpenClose)->toolTip().contains(QStringLiteral("hung up")));
    // Only the loss is logged: the block still waits for its silence.
    QCOMPARE(m_win->logLineCount(), before + 1);
    QVERIFY(m_win->lastLogLine().contains(QStringLiteral(" lost: the device hung up(")));

    m_win->ticks(4);
    QCOMPARE(m_win->logLineCount(), before + 2);
    QCOMPARE(m_win->lastLogLine(), dumpLine(partial));
    m_win->ticks(20);
    QCOMPARE(m_win->logLineCount(), before + 2);
    if (!earlier.empty()) QCOMPARE(linesStartingWith(m_win->logLines(), earlierResult), 1);
    QCOMPARE(frequency->text(), QStringLiteral("434"));
    QVERIFY(!dlg.meshDialog());
    QVERIFY(!dlg.pathDialog());
}

void ReceiveFaultTest::garbageShowsAsItsDumpOnly_data() {
    QTest::addColumn<Garbage>("kind");
    QTest::addColumn<unsigned>("seed");
    QTest::newRow("failing the check") << Garbage::kFailsCheck << 1u;
    QTest::newRow("passing the check, unknown frame type") << Garbage::kUnknownType << 2u;
    QTest::newRow("passing the check, code without handler") << Garbage::kCodeWithoutHandler << 3u;
}

void ReceiveFaultTest::garbageShowsAsItsDumpOnly() {
    QFETCH(Garbage, kind);
    QFETCH(unsigned, seed);
    constexpr int kBlocks = 100;
    QVERIFY(m_win->open());
    std::mt19937 random(seed);
    std::size_t bytes = 0;
    for (int i = 0; i < kBlocks; ++i) {
        const Bytes block = garbageBlock(kind, random);
        bytes += block.size();
        expectDumpOnly(block);
        if (QTest::currentTestFailed()) return;
    }
    std::printf("FIGURE garbage row=\"%s\" seed=%u blocks=%d bytes=%zu\n", QTest::currentDataTag(),
                seed, kBlocks, bytes);
    QCOMPARE(m_win->logLineCount(), kBlocks);
    QVERIFY(m_win->dlg().serial()->isOpen());
}

void ReceiveFaultTest::everySingleByteShowsAsItsDumpOnly() {
    QVERIFY(m_win->open());
    for (int value = 0x00; value <= 0xFF; ++value) {
        expectDumpOnly({static_cast<std::uint8_t>(value)});
        if (QTest::currentTestFailed()) return;
    }
    QCOMPARE(m_win->logLineCount(), 256);
}

QTEST_MAIN(ReceiveFaultTest)
#include "ReceiveFaultTest.moc"
