// Read Route and Read Path from end to end: the main window against a real pseudo-terminal,
// the bytes each button sends, and the replies written back drawing the two windows.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "AliasedPty.h"
#include "CDialog_Mesh.h"
#include "CDialog_Net_Path.h"
#include "CDrawView.h"
#include "CMeshcfgDlg.h"
#include "CShapButton.h"
#include "HexBytes.h"
#include "QZSerial.h"
#include "ReplyFrames.h"
#include "Wait.h"

using namespace res;

namespace {

constexpr int kAliasPort = 201;
using Block = std::vector<std::uint8_t>;

QStringList texts(const display::CDialog_Mesh& dialog, int firstId) {
    QStringList list;
    for (int i = 0; i < dialog.rowCount(); ++i)
        list << dialog.view()
                    ->content()
                    ->findChild<display::CShapButton*>(QString::number(firstId + i))
                    ->text();
    return list;
}

}  // namespace

class RouteWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_line = std::make_unique<AliasedPty>(kAliasPort);
        m_dlg = std::make_unique<app::CMeshcfgDlg>();
        m_dlg->stopTimer();
        m_dlg->OnRefresh();
        auto* list = m_dlg->item<QComboBox>(kIdPortList);
        list->setCurrentIndex(
            list->findText(QStringLiteral("COM%1").arg(kAliasPort), Qt::MatchStartsWith));
        m_dlg->OnOpenClose();
        QVERIFY(m_dlg->serial()->isOpen());
    }
    void cleanup() {
        m_dlg.reset();
        m_line.reset();
    }

    void buttonsSendRequests_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("description");
        QTest::newRow("Read Route") << kIdReadRoute << QByteArray::fromHex("0100030002")
                                    << QStringLiteral("> Read route list(");
        QTest::newRow("Read Path") << kIdReadPath << QByteArray::fromHex("0100080009")
                                   << QStringLiteral("> Read path list.(");
    }
    void buttonsSendRequests() {
        QFETCH(int, button);
        QFETCH(QByteArray, frame);
        QFETCH(QString, description);
        QTest::mouseClick(m_dlg->item<QPushButton>(button), Qt::LeftButton);
        const std::vector<std::uint8_t> sent = m_line->pty().readMaster(frame.size());
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(sent.data()),
                            static_cast<qsizetype>(sent.size())),
                 frame);
        const QStringList lines = logLines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0],
                 QStringLiteral("> ") + QString::fromLatin1(frame.toHex(' ').toUpper()) + u' ');
        QVERIFY2(lines[1].startsWith(description), qPrintable(lines[1]));
    }

    void routeReplyDrawsAndRefills() {
        QVERIFY(!m_dlg->meshDialog());
        receive(routeListReply(1, {{0x0102, 0x0003}, {0, proto::kEmptyNode}, {7, 5}}));
        display::CDialog_Mesh* mesh = m_dlg->meshDialog();
        QVERIFY(mesh);
        QVERIFY(mesh->isVisible());
        QCOMPARE(texts(*mesh, kIdRouteBadgeFirst), (QStringList{"3", "5"}));
        QCOMPARE(texts(*mesh, kIdTargetBadgeFirst), (QStringList{"258", "7"}));
        QCOMPARE(mesh->view()
                     ->content()
                     ->findChild<display::CShapButton*>(QString::number(kIdLocalBadge))
                     ->text(),
                 QStringLiteral("1"));
        QCOMPARE(logLines().size(), 1);  // the hex dump only

        mesh->close();
        std::vector<RouteSlot> lastUsed(39, RouteSlot{0, proto::kEmptyNode});
        lastUsed.push_back({40, 41});
        receive(routeListReply(9, lastUsed));
        QCOMPARE(m_dlg->meshDialog(), mesh);
        QVERIFY(mesh->isVisible());
        QCOMPARE(texts(*mesh, kIdRouteBadgeFirst), QStringList{"41"});
        QCOMPARE(mesh->view()->content()->findChildren<display::CShapButton*>().size(), 3);
    }

    void emptyRouteListLogsError() {
        receive(routeListReply(1, {}));
        QVERIFY(!m_dlg->meshDialog());
        QVERIFY(
            logLines().last().startsWith(QStringLiteral("> Read route error,type:path error.(")));

        receive(routeListReply(1, {{2, 3}}));
        display::CDialog_Mesh* mesh = m_dlg->meshDialog();
        mesh->close();
        receive(routeListReply(1, {}));
        QVERIFY(!mesh->isVisible());
        QCOMPARE(texts(*mesh, kIdRouteBadgeFirst), QStringList{"3"});
    }

    void shortRouteBlockDrawsOnlyWhatItHolds() {
        // Not even the local node: nothing beyond the hex dump.
        receive(withCheck({0x01, 0x00, 0x83, 0x00}));
        QVERIFY(!m_dlg->meshDialog());
        QCOMPARE(logLines().size(), 1);
        // The local node and the first entry, nothing of a longer earlier reply.
        receive(routeListReply(1, {{10, 11}, {20, 21}}));
        Block shortBlock = routeListReply(2, {{30, 31}});
        shortBlock.resize(8 + 9);
        receive(withCheck(shortBlock));
        QCOMPARE(texts(*m_dlg->meshDialog(), kIdRouteBadgeFirst), QStringList{"31"});
    }

    void pathReplyDrawsAndRefills() {
        QVERIFY(!m_dlg->pathDialog());
        receive(pathListReply(1, {{0x4C, 5}, {0x32, 3}}));
        display::CDialog_Net_Path* path = m_dlg->pathDialog();
        QVERIFY(path);
        QVERIFY(path->isVisible());
        const QStringList nodes{"1", "3", "5"};
        for (int k = 0; k < kPathBadgeCount; ++k) {
            auto* badge =
                path->findChild<display::CShapButton*>(QString::number(kIdPathBadgeFirst + k));
            QCOMPARE(!badge->isHidden(), k < 3);
            if (k < 3) QCOMPARE(badge->text(), nodes[k]);
        }
        QCOMPARE(path->findChild<QLabel*>(QString::number(kIdLinkValueFirst))->text(),
                 QStringLiteral("-50"));
        QCOMPARE(path->findChild<QLabel*>(QString::number(kIdLinkValueFirst + 1))->text(),
                 QStringLiteral("-76"));
        QCOMPARE(logLines().size(), 1);

        path->close();
        receive(pathListReply(4, {}));
        QCOMPARE(m_dlg->pathDialog(), path);
        QVERIFY(path->isVisible());
        QVERIFY(!path->findChild<QWidget*>(QString::number(kIdPathBadgeFirst))->isHidden());
        QVERIFY(path->findChild<QWidget*>(QString::number(kIdPathBadgeFirst + 1))->isHidden());
        QVERIFY(path->findChild<QWidget*>(QString::number(kIdLinkMarkFirst))->isHidden());
    }

    void shortPathBlockChangesNothing() {
        receive(withCheck({0x01, 0x00, 0x88, 0x00, 0x00, 0x00}));
        QVERIFY(!m_dlg->pathDialog());
        QCOMPARE(logLines().size(), 1);
    }

  private:
    // The far end writes a reply; the reader delivers it and four ticks of silence cut it.
    void receive(const Block& reply) {
        QVERIFY(m_line->pty().writeMaster(reply));
        serial::ReceiveBuffer& buffer = m_dlg->serial()->receiveBuffer();
        QVERIFY(waitUntil([&] { return buffer.count() >= reply.size(); }));
        for (int i = 0; i < 4; ++i) m_dlg->OnTimer();
    }
    QStringList logLines() const { return m_dlg->log().allText().split(u'\n', Qt::SkipEmptyParts); }

    std::unique_ptr<AliasedPty> m_line;
    std::unique_ptr<app::CMeshcfgDlg> m_dlg;
};

QTEST_MAIN(RouteWindowTest)
#include "RouteWindowTest.moc"
