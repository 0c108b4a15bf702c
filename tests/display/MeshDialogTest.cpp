#include <QPointer>
#include <QScrollBar>
#include <QtTest>

#include "CDialog_Mesh.h"
#include "CDrawView.h"
#include "CShapButton.h"
#include "ResourceIds.h"
#include "RouteWindow.h"

namespace {

// left, top, right, bottom with exclusive right and bottom, as the layout gives them.
QRect ltrb(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

QStringList numbered(int count, int first) {
    QStringList list;
    for (int i = 0; i < count; ++i) list << QString::number(first + i);
    return list;
}

display::CShapButton* badge(const display::CDialog_Mesh& dialog, int id) {
    return dialog.view()->content()->findChild<display::CShapButton*>(QString::number(id),
                                                                      Qt::FindDirectChildrenOnly);
}

int badgeCount(const display::CDialog_Mesh& dialog) {
    return static_cast<int>(dialog.view()
                                ->content()
                                ->findChildren<display::CShapButton*>(Qt::FindDirectChildrenOnly)
                                .size());
}

}  // namespace

class MeshDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void createdHiddenWithLegend() {
        QWidget owner;
        auto* dialog = new display::CDialog_Mesh(&owner);
        QVERIFY(!dialog->isVisible());
        QVERIFY(dialog->isWindow());
        QCOMPARE(dialog->parentWidget(), &owner);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("MESH组网路径读取-------Corvane v1.0"));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());

        const struct {
            int id;
            const char* text;
            QRgb color;
        } legend[] = {{res::kIdMeshLegendLocal, "S", display::kLocalColor},
                      {res::kIdMeshLegendRoute, "R", display::kRouteColor},
                      {res::kIdMeshLegendTarget, "D", display::kTargetColor}};
        for (const auto& entry : legend) {
            auto* button = dialog->findChild<display::CShapButton*>(QString::number(entry.id));
            QVERIFY(button);
            QCOMPARE(button->text(), QString::fromLatin1(entry.text));
            QCOMPARE(button->color(), QColor(entry.color));
        }

        display::CDrawView* view =
            dialog->findChild<display::CDrawView*>(QString::number(res::kIdDrawView));
        QCOMPARE(view, dialog->view());
        QCOMPARE(view->geometry(), QRect(0, 80, dialog->width(), dialog->height() - 80));
    }

    void geometry_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QRect>("local");
        QTest::addColumn<QRect>("lastRoute");
        QTest::addColumn<QRect>("lastTarget");
        QTest::newRow("one row") << 1 << ltrb(10, 4, 50, 44) << ltrb(160, 5, 200, 45)
                                 << ltrb(300, 5, 340, 45);
        QTest::newRow("two rows") << 2 << ltrb(10, 28, 50, 68) << ltrb(160, 53, 200, 93)
                                  << ltrb(300, 53, 340, 93);
        QTest::newRow("forty rows") << 40 << ltrb(10, 940, 50, 980) << ltrb(160, 1877, 200, 1917)
                                    << ltrb(300, 1877, 340, 1917);
    }
    void geometry() {
        QFETCH(int, rows);
        QFETCH(QRect, local);
        QFETCH(QRect, lastRoute);
        QFETCH(QRect, lastTarget);
        display::CDialog_Mesh dialog;
        dialog.FillRouteList(numbered(rows, 100), numbered(rows, 500), QStringLiteral("1"));

        QCOMPARE(badgeCount(dialog), 2 * rows + 1);
        QCOMPARE(badge(dialog, res::kIdLocalBadge)->geometry(), local);
        QCOMPARE(badge(dialog, res::kIdLocalBadge)->text(), QStringLiteral("1"));
        QCOMPARE(badge(dialog, res::kIdLocalBadge)->color(), QColor(display::kLocalColor));
        for (int i = 0; i < rows; ++i) {
            display::CShapButton* routeBadge = badge(dialog, res::kIdRouteBadgeFirst + i);
            display::CShapButton* targetBadge = badge(dialog, res::kIdTargetBadgeFirst + i);
            QVERIFY(routeBadge && targetBadge);
            QCOMPARE(routeBadge->text(), QString::number(100 + i));
            QCOMPARE(targetBadge->text(), QString::number(500 + i));
            QCOMPARE(routeBadge->color(), QColor(display::kRouteColor));
            QCOMPARE(targetBadge->color(), QColor(display::kTargetColor));
            QCOMPARE(routeBadge->geometry().top(), 5 + 48 * i);
            QCOMPARE(targetBadge->geometry().top(), 5 + 48 * i);
            QVERIFY(!routeBadge->isHidden());
        }
        QCOMPARE(badge(dialog, res::kIdRouteBadgeFirst + rows - 1)->geometry(), lastRoute);
        QCOMPARE(badge(dialog, res::kIdTargetBadgeFirst + rows - 1)->geometry(), lastTarget);
        QVERIFY(!badge(dialog, res::kIdRouteBadgeFirst + rows));
        QCOMPARE(dialog.view()->totalWidth(), 100);
        QCOMPARE(dialog.view()->totalHeight(), 50 * rows);
        QCOMPARE(dialog.view()->rowCount(), static_cast<unsigned>(rows));
    }

    void refillReplacesBadges_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::newRow("fewer") << 5 << 2;
        QTest::newRow("more") << 2 << 5;
        QTest::newRow("same") << 3 << 3;
    }
    void refillReplacesBadges() {
        QFETCH(int, first);
        QFETCH(int, second);
        display::CDialog_Mesh dialog;
        dialog.FillRouteList(numbered(first, 10), numbered(first, 20), QStringLiteral("1"));
        dialog.ClearRouteList();
        QCOMPARE(badgeCount(dialog), 0);
        dialog.FillRouteList(numbered(second, 30), numbered(second, 40), QStringLiteral("2"));
        QCOMPARE(badgeCount(dialog), 2 * second + 1);
        QCOMPARE(dialog.rowCount(), second);
        QCOMPARE(badge(dialog, res::kIdRouteBadgeFirst)->text(), QStringLiteral("30"));
        QCOMPARE(badge(dialog, res::kIdLocalBadge)->text(), QStringLiteral("2"));
        QCOMPARE(dialog.view()->rowCount(), static_cast<unsigned>(second));
    }

    void fillWithoutClearStillReplaces() {
        display::CDialog_Mesh dialog;
        dialog.FillRouteList(numbered(4, 10), numbered(4, 20), QStringLiteral("1"));
        dialog.FillRouteList(numbered(1, 30), numbered(1, 40), QStringLiteral("2"));
        QCOMPARE(badgeCount(dialog), 3);
    }

    void unevenListsDrawCompleteRows() {
        display::CDialog_Mesh dialog;
        dialog.FillRouteList(numbered(3, 10), numbered(2, 20), QStringLiteral("1"));
        QCOMPARE(dialog.rowCount(), 2);
        QCOMPARE(badgeCount(dialog), 5);
        QCOMPARE(dialog.view()->rowCount(), 2u);
    }

    void emptyFillLeavesEmptySurface() {
        display::CDialog_Mesh dialog;
        dialog.FillRouteList(numbered(3, 10), numbered(3, 20), QStringLiteral("1"));
        dialog.FillRouteList({}, {}, QStringLiteral("1"));
        QCOMPARE(badgeCount(dialog), 0);
        QCOMPARE(dialog.view()->rowCount(), 0u);
    }

    void fillWhileScrolledLandsAtContentOrigin() {
        display::CDialog_Mesh dialog;
        dialog.show();
        dialog.FillRouteList(numbered(40, 1), numbered(40, 1), QStringLiteral("1"));
        dialog.view()->verticalScrollBar()->setValue(300);
        QCOMPARE(badge(dialog, res::kIdRouteBadgeFirst)->y(), 5 - 300);
        dialog.ClearRouteList();
        dialog.FillRouteList(numbered(1, 1), numbered(1, 1), QStringLiteral("1"));
        QCOMPARE(dialog.view()->verticalScrollBar()->value(), 0);
        QCOMPARE(badge(dialog, res::kIdRouteBadgeFirst)->geometry(), ltrb(160, 5, 200, 45));
    }

    void closeHidesWithoutDestroying_data() {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("close box") << false;
        QTest::newRow("escape") << true;
    }
    void closeHidesWithoutDestroying() {
        QFETCH(bool, byEscape);
        QWidget owner;
        QPointer<display::CDialog_Mesh> dialog = new display::CDialog_Mesh(&owner);
        dialog->FillRouteList(numbered(2, 1), numbered(2, 5), QStringLiteral("1"));
        display::showWindow(*dialog);
        QVERIFY(dialog->isVisible());
        if (byEscape)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(badgeCount(*dialog), 5);  // content kept for the next reply
    }
};

QTEST_MAIN(MeshDialogTest)
#include "MeshDialogTest.moc"
