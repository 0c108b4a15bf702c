// The background menu of the route list and path windows: the content as text on the
// clipboard, the window as a PNG file written whole or not at all, and the path window's title
// naming the target once there is one.

#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include "CDialog_Mesh.h"
#include "CDialog_Net_Path.h"
#include "WindowMenu.h"

class WindowMenuTest : public QObject {
    Q_OBJECT

  private slots:
    void copiesWhatItShows_data();
    void copiesWhatItShows();
    void savesThePicture_data();
    void savesThePicture();
    void pathTitleNamesTheTarget_data();
    void pathTitleNamesTheTarget();
};

void WindowMenuTest::copiesWhatItShows_data() {
    QTest::addColumn<bool>("route");  // the route list window, else the path window
    QTest::addColumn<QStringList>("nodes");
    QTest::addColumn<QStringList>("second");  // targets, or link values
    QTest::addColumn<QString>("text");
    QTest::newRow("route list") << true << QStringList{"3", "3", "7"}
                                << QStringList{"3", "258", "12345"}
                                << "local node\t1\ntarget\troute node\n3\t3\n258\t3\n12345\t7\n";
    QTest::newRow("path") << false << QStringList{"1", "3", "5"} << QStringList{"-50", "-76"}
                          << "local node\t1\n1 -> 3\t-50 dBm\n3 -> 5\t-76 dBm\ntarget\t5\n";
    QTest::newRow("path of the local node alone")
        << false << QStringList{"9"} << QStringList{} << "local node\t9\n";
}

void WindowMenuTest::copiesWhatItShows() {
    QFETCH(bool, route);
    QFETCH(QStringList, nodes);
    QFETCH(QStringList, second);
    QFETCH(QString, text);
    display::CDialog_Mesh mesh;
    display::CDialog_Net_Path path;
    if (route)
        mesh.FillRouteList(nodes, second, QStringLiteral("1"));
    else
        path.FillPathList(nodes, second);
    display::WindowMenu& menu = route ? mesh.menu() : path.menu();
    QCOMPARE(menu.menu()->actions().size(), 2);
    QCOMPARE(menu.menu()->actions()[0]->text(), QStringLiteral("Copy as text"));
    QCOMPARE(menu.menu()->actions()[1]->text(), QStringLiteral("Save as PNG"));
    menu.menu()->actions()[0]->trigger();
    QCOMPARE(QApplication::clipboard()->text(), text);
}

void WindowMenuTest::savesThePicture_data() {
    QTest::addColumn<bool>("route");
    QTest::addColumn<QString>("file");  // in a fresh folder
    QTest::addColumn<bool>("saved");
    QTest::newRow("route list") << true << "route.png" << true;
    QTest::newRow("path") << false << "path.png" << true;
    QTest::newRow("folder missing") << false << "gone/path.png" << false;
}

void WindowMenuTest::savesThePicture() {
    QFETCH(bool, route);
    QFETCH(QString, file);
    QFETCH(bool, saved);
    QTemporaryDir folder;
    const QString path = folder.filePath(file);
    display::CDialog_Mesh mesh;
    display::CDialog_Net_Path pathWindow;
    mesh.FillRouteList({"3"}, {"3"}, QStringLiteral("1"));
    pathWindow.FillPathList({"1", "3"}, {"-50"});
    QDialog& window = route ? static_cast<QDialog&>(mesh) : pathWindow;
    display::WindowMenu& menu = route ? mesh.menu() : pathWindow.menu();
    QString suggested;
    menu.setSaveFileChooser([&](QWidget*, const QString& offered) {
        suggested = offered;
        return path;
    });
    menu.menu()->actions()[1]->trigger();

    QVERIFY(suggested.endsWith(u".png"));
    QCOMPARE(QFileInfo::exists(path), saved);
    QCOMPARE(window.findChildren<QMessageBox*>().size(), saved ? 0 : 1);
    if (saved) QCOMPARE(QImage(path).size(), window.size());
}

void WindowMenuTest::pathTitleNamesTheTarget_data() {
    QTest::addColumn<QStringList>("nodes");
    QTest::addColumn<QString>("suffix");  // after the layout's caption
    QTest::newRow("a target") << QStringList{"1", "3", "5"} << " - to node 5";
    QTest::newRow("the local node alone") << QStringList{"1"} << "";
}

void WindowMenuTest::pathTitleNamesTheTarget() {
    QFETCH(QStringList, nodes);
    QFETCH(QString, suffix);
    display::CDialog_Net_Path path;
    const QString caption = path.windowTitle();
    path.FillPathList({"1", "2"}, {"-1"});  // an earlier target is not kept
    path.FillPathList(nodes, QStringList(nodes.size() - 1, QStringLiteral("-40")));
    QCOMPARE(path.windowTitle(), caption + suffix);
}

QTEST_MAIN(WindowMenuTest)
#include "WindowMenuTest.moc"
