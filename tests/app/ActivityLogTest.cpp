// The activity log of the main window: lines kept compactly but shown as written, selection
// and copy, save to a text or CSV file, frames in words on hover.

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QHelpEvent>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>
#include <algorithm>

#include "CMeshcfgDlg.h"
#include "ScopedRuntimeDir.h"

using namespace res;

Q_DECLARE_METATYPE(proto::Frame)
Q_DECLARE_METATYPE(app::LogLines::Direction)

class ActivityLogTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_runtime = std::make_unique<ScopedRuntimeDir>();
        m_dlg = std::make_unique<app::CMeshcfgDlg>();
        m_dlg->stopTimer();
        m_dlg->show();
    }
    void cleanup() {
        m_dlg.reset();
        m_runtime.reset();
    }

    void linesReadAsWritten_data();
    void linesReadAsWritten();
    void mouseAndKeysSelectLines();
    void copyAllLeavesNewLinesOut();
    void verticalBarWhenNeeded();
    void saveGivesWhatCopyAllGives();
    void saveAsCsv();
    void saveFailureShowsWhyAndWritesNothing();
    void tooltipSaysTheFrame();

  private:
    app::ActivityLog& log() { return m_dlg->log(); }
    QPoint rowCentre(int row) {
        const int height = log().fontMetrics().lineSpacing();
        return QPoint(20, row * height + height / 2);
    }
    void appendLines(int count) {
        for (int i = 0; i < count; ++i) m_dlg->AppendLog(QStringLiteral("line %1").arg(i));
        QCoreApplication::processEvents();
    }
    // Saves through the log menu's third item, choosing path.
    void saveVia(const QString& path) {
        m_dlg->setSaveFileChooser([path](QWidget*, const QString&) { return path; });
        emit log().customContextMenuRequested(QPoint());
        const QList<QAction*> actions = m_dlg->logMenu()->actions();
        QCOMPARE(actions.size(), 3);
        QCOMPARE(actions[2]->text(), QStringLiteral("全部保存..."));
        actions[2]->trigger();
    }
    static QString readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    std::unique_ptr<ScopedRuntimeDir> m_runtime;
    std::unique_ptr<app::CMeshcfgDlg> m_dlg;
};

// A frame is kept as its bytes with its direction and shown as its hex dump; a line of text is
// kept and shown as it came, even one that looks like a dump.
void ActivityLogTest::linesReadAsWritten_data() {
    QTest::addColumn<proto::Frame>("frame");  // empty: the line is text
    QTest::addColumn<QString>("line");
    QTest::addColumn<app::LogLines::Direction>("direction");
    const auto note = app::LogLines::Direction::Note;
    QTest::newRow("request") << proto::Frame{0x01, 0x00, 0x03, 0x00, 0x02} << "> 01 00 03 00 02 "
                             << app::LogLines::Direction::Sent;
    QTest::newRow("single zero") << proto::Frame{0x00} << "> 00 "
                                 << app::LogLines::Direction::Received;
    QTest::newRow("text like a dump") << proto::Frame{} << "> 01 00 03 00 02 " << note;
    QTest::newRow("lower case") << proto::Frame{} << "> 0a " << note;
    QTest::newRow("description") << proto::Frame{} << "> Read setup data(2024-05-06 14:03:27)"
                                 << note;
    QTest::newRow("wide") << proto::Frame{} << "二 ünïcode" << note;
}

void ActivityLogTest::linesReadAsWritten() {
    QFETCH(proto::Frame, frame);
    QFETCH(QString, line);
    QFETCH(app::LogLines::Direction, direction);
    const app::LogSide side =
        direction == app::LogLines::Direction::Sent ? app::LogSide::Sent : app::LogSide::Received;
    if (frame.empty()) {
        log().appendLine(side, line);
    } else {
        log().appendFrame(side, frame);
    }
    QCOMPARE(log().allText(), line + u'\n');
    QCOMPARE(log().lines().color(0),
             side == app::LogSide::Sent ? app::kSentFrameColor : app::kReceivedFrameColor);
    QCOMPARE(log().lines().direction(0), direction);
    QVERIFY(std::ranges::equal(log().lines().frame(0), frame));
}

void ActivityLogTest::mouseAndKeysSelectLines() {
    appendLines(5);
    QWidget* rows = log().viewport();
    QTest::mouseClick(rows, Qt::LeftButton, {}, rowCentre(1));
    QTest::mouseClick(rows, Qt::LeftButton, Qt::ShiftModifier, rowCentre(3));
    QCOMPARE(log().selectedText(), QStringLiteral("line 1\nline 2\nline 3\n"));

    QTest::mousePress(rows, Qt::LeftButton, {}, rowCentre(4));
    QMouseEvent drag(QEvent::MouseMove, rowCentre(2), rows->mapToGlobal(rowCentre(2)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rows, &drag);
    QTest::mouseRelease(rows, Qt::LeftButton, {}, rowCentre(2));
    QCOMPARE(log().selectedText(), QStringLiteral("line 2\nline 3\nline 4\n"));

    QApplication::clipboard()->clear();
    QTest::keyClick(&log(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("line 2\nline 3\nline 4\n"));

    log().setFocus();
    QTest::keyClick(&log(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(log().selection(), std::make_optional(std::pair<qsizetype, qsizetype>(0, 4)));

    // A new line neither joins the selection nor takes its colour.
    m_dlg->SetLogColor(app::kSentFrameColor);
    m_dlg->AppendLog(QStringLiteral("line 5"));
    QCOMPARE(log().selection(), std::make_optional(std::pair<qsizetype, qsizetype>(0, 4)));
    QCOMPARE(log().lines().color(5), app::kSentFrameColor);
}

void ActivityLogTest::copyAllLeavesNewLinesOut() {
    appendLines(2);
    m_dlg->OnCopyAll();
    m_dlg->AppendLog(QStringLiteral("after"));
    QCOMPARE(log().selectedText(), QStringLiteral("line 0\nline 1\n"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("line 0\nline 1\n"));
}

void ActivityLogTest::verticalBarWhenNeeded() {
    appendLines(2);
    QVERIFY(!log().verticalScrollBar()->isVisible());
    appendLines(200);
    QVERIFY(log().verticalScrollBar()->isVisible());
    QCOMPARE(log().verticalScrollBar()->value(), log().verticalScrollBar()->maximum());
}

void ActivityLogTest::saveGivesWhatCopyAllGives() {
    m_dlg->OnRead();
    m_dlg->AppendLog(QStringLiteral("二, \"quoted\""));
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.log"));
    saveVia(path);
    m_dlg->OnCopyAll();
    QCOMPARE(readFile(path), QApplication::clipboard()->text());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"session.log"});
}

void ActivityLogTest::saveAsCsv() {
    const std::int64_t before = QDateTime::currentMSecsSinceEpoch();
    m_dlg->ReadRouteList();
    m_dlg->AppendLog(QStringLiteral("a, \"b\""));
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.csv"));
    saveVia(path);

    const QStringList rows = readFile(path).split(u'\n');
    QCOMPARE(rows.size(), 5);  // heading, three lines, nothing after the last line feed
    QCOMPARE(rows[0], QStringLiteral("time,direction,frame,text,frame in words"));
    const int comma = rows[1].indexOf(u',');
    const QDateTime time = QDateTime::fromString(rows[1].left(comma), Qt::ISODateWithMs);
    QVERIFY(time.toMSecsSinceEpoch() >= before);
    QVERIFY(time.toMSecsSinceEpoch() <= QDateTime::currentMSecsSinceEpoch());
    QCOMPARE(rows[1].mid(comma),
             QStringLiteral(",sent,01 00 03 00 02,> 01 00 03 00 02 ,Read route list"));
    QVERIFY(rows[2].contains(QStringLiteral(",note,,> Read route list(")));
    QVERIFY(rows[3].endsWith(QStringLiteral(",note,,\"a, \"\"b\"\"\",")));
    QCOMPARE(rows[4], QString());
}

void ActivityLogTest::saveFailureShowsWhyAndWritesNothing() {
    m_dlg->OnRead();
    const QString before = log().allText();
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/session.log"));
    saveVia(path);
    auto* box = m_dlg->findChild<QMessageBox*>();
    QVERIFY(box);
    QVERIFY(box->text().contains(path));
    QVERIFY(box->text().contains(QStringLiteral("No such file or directory")));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(log().allText(), before);
}

void ActivityLogTest::tooltipSaysTheFrame() {
    m_dlg->OnWrite();
    QWidget* rows = log().viewport();
    // The description line first: no tip has been shown yet.
    for (const auto& [row, words] :
         {std::pair{1, QString()},
          std::pair{0, QStringLiteral("Write setup: frequency 434.00 MHz, power 7, life cycle 1h, "
                                      "network id 1, node id 1, UART 9600 NO")}}) {
        QHelpEvent hover(QEvent::ToolTip, rowCentre(row), rows->mapToGlobal(rowCentre(row)));
        QApplication::sendEvent(rows, &hover);
        QCOMPARE(QToolTip::text(), words);
    }
}

QTEST_MAIN(ActivityLogTest)
#include "ActivityLogTest.moc"
