// The menu of the main window's background: About first, then "Mesh map...", which starts
// meshcfg-mesh from this program's folder, or says in a box that it could not.

#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QtTest>

#include "AppDialog.h"
#include "ResourceIds.h"
#include "TranslatedText.h"

class BackgroundMenuTest : public QObject {
    Q_OBJECT

  private slots:
    void meshMapStartsTheMeshWindow_data();
    void meshMapStartsTheMeshWindow();
};

void BackgroundMenuTest::meshMapStartsTheMeshWindow_data() {
    QTest::addColumn<bool>("starts");
    QTest::newRow("started") << true;
    QTest::newRow("cannot be started") << false;
}

void BackgroundMenuTest::meshMapStartsTheMeshWindow() {
    QFETCH(bool, starts);
    app::AppDialog dialog;
    QStringList started;
    dialog.setProgramStarter([&](const QString& program) {
        started << program;
        return starts;
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QCoreApplication::sendEvent(&dialog, &click);
    const QList<QMenu*> menus = dialog.findChildren<QMenu*>();
    QCOMPARE(menus.size(), 1);
    const QList<QAction*> items = menus.front()->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->text(), widgets::shownText(res::kAboutItemText));
    QCOMPARE(items[1]->text(), QStringLiteral("Mesh map..."));

    items[1]->trigger();
    QCOMPARE(started, QStringList{QCoreApplication::applicationDirPath() + "/meshcfg-mesh"});
    const QList<QMessageBox*> boxes = dialog.findChildren<QMessageBox*>();
    QCOMPARE(boxes.size(), starts ? 0 : 1);
    if (!starts) QVERIFY(boxes.front()->text().contains(started.front()));
}

QTEST_MAIN(BackgroundMenuTest)
#include "BackgroundMenuTest.moc"
