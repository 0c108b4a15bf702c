#include <QLabel>
#include <QPointer>
#include <QtTest>

#include "CDialog_Net_Path.h"
#include "CShapButton.h"
#include "ResourceIds.h"
#include "RouteWindow.h"

namespace {

display::CShapButton* pathBadge(const QDialog& dialog, int k) {
    return dialog.findChild<display::CShapButton*>(QString::number(res::kIdPathBadgeFirst + k));
}
QLabel* linkMark(const QDialog& dialog, int k) {
    return dialog.findChild<QLabel*>(QString::number(res::kIdLinkMarkFirst + k));
}
QLabel* linkValue(const QDialog& dialog, int k) {
    return dialog.findChild<QLabel*>(QString::number(res::kIdLinkValueFirst + k));
}

QStringList numbered(int count, int first) {
    QStringList list;
    for (int i = 0; i < count; ++i) list << QString::number(first + i);
    return list;
}

QStringList values(int count) {
    QStringList list;
    for (int i = 0; i < count; ++i) list << QString::number(-40 - i);
    return list;
}

// Badges 0 ... badges-1 shown in the role colours of a path of pathLength nodes with their
// labels, links 0 ... links-1 shown with their values; everything else of the chain hidden.
void verifyChain(const QDialog& dialog, const QStringList& nodes, const QStringList& linkValues,
                 int badges, int pathLength, int links) {
    for (int k = 0; k < res::kPathBadgeCount; ++k) {
        const display::CShapButton* badge = pathBadge(dialog, k);
        QCOMPARE(!badge->isHidden(), k < badges);
        if (k >= badges) continue;
        QCOMPARE(badge->text(), nodes[k]);
        const QRgb expected = k == 0                ? display::kLocalColor
                              : k == pathLength - 1 ? display::kTargetColor
                                                    : display::kRouteColor;
        QCOMPARE(badge->color(), QColor(expected));
    }
    for (int k = 0; k < res::kLinkCount; ++k) {
        QCOMPARE(!linkMark(dialog, k)->isHidden(), k < links);
        QCOMPARE(linkMark(dialog, k)->text(), QStringLiteral("___"));
        const bool hasValue = k < links && k < linkValues.size();
        QCOMPARE(!linkValue(dialog, k)->isHidden(), hasValue);
        if (hasValue) QCOMPARE(linkValue(dialog, k)->text(), linkValues[k]);
    }
}

}  // namespace

class PathDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void createdHiddenWithColours() {
        QWidget owner;
        auto* dialog = new display::CDialog_Net_Path(&owner);
        QVERIFY(!dialog->isVisible());
        QVERIFY(dialog->isWindow());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("MESH组网路径读取系统"));
        QCOMPARE(pathBadge(*dialog, 0)->color(), QColor(display::kLocalColor));
        for (int k = 1; k < 8; ++k)
            QCOMPARE(pathBadge(*dialog, k)->color(), QColor(display::kRouteColor));
        QCOMPARE(pathBadge(*dialog, 8)->color(), QColor(display::kTargetColor));
        const int legend[] = {res::kIdPathLegendLocal, res::kIdPathLegendRoute,
                              res::kIdPathLegendTarget};
        const QRgb colours[] = {display::kLocalColor, display::kRouteColor, display::kTargetColor};
        for (int i = 0; i < 3; ++i) {
            auto* badge = dialog->findChild<display::CShapButton*>(QString::number(legend[i]));
            QCOMPARE(badge->color(), QColor(colours[i]));
        }
    }

    void fill_data() {
        QTest::addColumn<QStringList>("nodes");
        QTest::addColumn<QStringList>("linkValues");
        QTest::newRow("local only") << QStringList{"7"} << QStringList{};
        QTest::newRow("two nodes") << QStringList{"7", "8"} << QStringList{"-60"};
        QTest::newRow("1 3 5") << QStringList{"1", "3", "5"} << QStringList{"-50", "-76"};
        QTest::newRow("nine nodes") << numbered(9, 100) << values(8);
    }
    void fill() {
        QFETCH(QStringList, nodes);
        QFETCH(QStringList, linkValues);
        display::CDialog_Net_Path dialog;
        dialog.FillPathList(nodes, linkValues);
        const int n = static_cast<int>(nodes.size());
        verifyChain(dialog, nodes, linkValues, n, n, n - 1);
    }

    void fewerNodesAfterMoreHidesTheRest() {
        display::CDialog_Net_Path dialog;
        dialog.FillPathList(numbered(9, 100), values(8));
        const QStringList nodes{"1", "3", "5"};
        const QStringList linkValues{"-50", "-76"};
        dialog.FillPathList(nodes, linkValues);
        verifyChain(dialog, nodes, linkValues, 3, 3, 2);
    }

    void moreThanNineNodesShowsNine() {
        display::CDialog_Net_Path dialog;
        const QStringList nodes = numbered(11, 1);
        dialog.FillPathList(nodes, values(10));
        // The target does not fit: badge 8 is a relay, and all eight links are shown.
        verifyChain(dialog, nodes, values(10), 9, 11, 8);
    }

    void missingLinkValuesHideTheirLabels() {
        display::CDialog_Net_Path dialog;
        const QStringList nodes = numbered(4, 1);
        const QStringList linkValues{"-50"};
        dialog.FillPathList(nodes, linkValues);
        verifyChain(dialog, nodes, linkValues, 4, 4, 3);
    }

    void emptyPathHidesEverything() {
        display::CDialog_Net_Path dialog;
        dialog.FillPathList(numbered(5, 1), values(4));
        dialog.FillPathList({}, {});
        verifyChain(dialog, {}, {}, 0, 0, 0);
    }

    void escapeHidesWithoutDestroying() {
        QWidget owner;
        QPointer<display::CDialog_Net_Path> dialog = new display::CDialog_Net_Path(&owner);
        dialog->FillPathList(numbered(5, 1), values(4));
        display::showWindow(*dialog);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(pathBadge(*dialog, 4)->text(), QStringLiteral("5"));
    }
};

QTEST_MAIN(PathDialogTest)
#include "PathDialogTest.moc"
