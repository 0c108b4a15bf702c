// The map of made-up surveys: a badge per node in the route windows' look and colours, lines
// coloured by their link values, arrows where routes run one way, what any fault names marked
// from the start, a selected fault haloing the nodes and lines it names, and a second survey
// keeping what did not change.

#include <QtTest>

#include "MapItems.h"
#include "MeshMapScene.h"
#include "RouteWindow.h"
#include "Surveys.h"

namespace {

using namespace mesh::test;

// "1:S 2:S 7:R": each badge's node and legend letter, by node.
QString badgesOf(const meshapp::MeshMapScene& map) {
    QStringList badges;
    for (const meshapp::NodeBadge* badge : map.badges())
        badges << QStringLiteral("%1:%2").arg(badge->label(), badge->letter());
    return badges.join(u' ');
}

QString bandName(meshapp::LinkBand band) {
    switch (band) {
        case meshapp::LinkBand::Strong:
            return QStringLiteral("strong");
        case meshapp::LinkBand::Fair:
            return QStringLiteral("fair");
        case meshapp::LinkBand::Weak:
            return QStringLiteral("weak");
        case meshapp::LinkBand::Unknown:
            break;
    }
    return QStringLiteral("unknown");
}

// "1-2:strong 2>3:weak": each line, ">" where it has an arrow, and its colour's band.
QString linesOf(const meshapp::MeshMapScene& map) {
    QStringList lines;
    for (const meshapp::MapLine* line : map.lines()) {
        if (line->color() != meshapp::linkBandColor(line->band()))
            return QStringLiteral("colour unlike band");
        lines << QString::number(line->meshLine().from) + (line->hasArrow() ? u'>' : u'-') +
                     QString::number(line->meshLine().to) + u':' + bandName(line->band());
    }
    return lines.join(u' ');
}

// "1 2 | 1-2": the badges, then the lines, drawn as `drawn` tells.
template <typename Drawn>
QString itemsDrawn(const meshapp::MeshMapScene& map, Drawn drawn) {
    QStringList badges, lines;
    for (const meshapp::NodeBadge* badge : map.badges())
        if (drawn(badge)) badges << badge->label();
    for (const meshapp::MapLine* line : map.lines())
        if (drawn(line))
            lines << QStringLiteral("%1-%2").arg(line->meshLine().from).arg(line->meshLine().to);
    return badges.join(u' ') + QStringLiteral(" | ") + lines.join(u' ');
}

QString haloed(const meshapp::MeshMapScene& map) {
    return itemsDrawn(map, [](const auto* item) { return item->highlighted(); });
}

QString markedFaulty(const meshapp::MeshMapScene& map) {
    return itemsDrawn(map, [](const auto* item) { return item->faulty(); });
}

// 1 routes to 2 and 3 through 2; 2 has no route back to 1.
mesh::Survey oneWay() {
    return {answered("COM200", 1, {{2, 2}, {3, 2}}, {{2, 70}, {3, 95}}),
            answered("COM201", 2, {{3, 3}}), answered("COM202", 3, {{1, 2}, {2, 2}})};
}

// 1 reaches 8 and 9 through 8, neither on a port; its path to 9 gives both link values.
mesh::Survey heardOf() {
    return {answered("COM200", 1, {{8, 8}, {9, 8}}, {{8, 45}, {9, 81}})};
}

mesh::Survey cutChain() {
    return {answered("COM200", 1, {}, {}), answered("COM201", 2, {{3, 3}}),
            answered("COM202", 3, {{2, 2}})};
}

}  // namespace

Q_DECLARE_METATYPE(mesh::Survey)

class MapSceneTest : public QObject {
    Q_OBJECT

  private slots:
    void drawsTheMesh_data();
    void drawsTheMesh();
    void legendAndBadgesShareTheRouteWindowsColours();
    void surveyAgainKeepsWhatDidNotChange_data();
    void surveyAgainKeepsWhatDidNotChange();
};

void MapSceneTest::drawsTheMesh_data() {
    QTest::addColumn<mesh::Survey>("survey");
    QTest::addColumn<QString>("badges");
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("marked");  // faulty from the start, as the Graphviz text is red
    QTest::addColumn<int>("fault");       // the fault selected
    QTest::addColumn<QString>("haloed");

    QTest::newRow("chain") << chain() << "1:S 2:S 3:S"
                           << "1-2:strong 2-3:strong"
                           << " | " << -1 << " | ";
    QTest::newRow("one way route, fair and weak links") << oneWay() << "1:S 2:S 3:S"
                                                        << "1>2:fair 2-3:weak"
                                                        << "1 2 | 1-2" << 0 << "1 2 | 1-2";
    QTest::newRow("nodes only heard of") << heardOf() << "1:S 8:R 9:R"
                                         << "1-8:strong 8-9:weak"
                                         << " | " << -1 << " | ";
    QTest::newRow("wrong network id")
        << chainAnd({onNetwork(answered("COM203", 4, {}), 2)}) << "1:S 2:S 3:S 4:S"
        << "1-2:strong 2-3:strong"
        << "4 | " << 0 << "4 | ";
    QTest::newRow("one id twice") << chainAnd({answered("COM203", 2, {{1, 1}})}) << "1:S 2:S 3:S"
                                  << "1-2:strong 2-3:strong"
                                  << "2 3 | 2-3" << 0 << "2 | ";
    QTest::newRow("route list not read: reached, way unknown")
        << mesh::Survey{changed(answered("COM200", 1, {}),
                                [](mesh::ModuleAnswers& a) { a.routes.reset(); }),
                        answered("COM201", 2, {{1, 1}, {5, 1}})}
        << "1:S 2:S 5:R"
        << "2-1:unknown 2-5:unknown"
        << "1 | " << -1 << " | ";
}

void MapSceneTest::drawsTheMesh() {
    QFETCH(mesh::Survey, survey);
    QFETCH(QString, badges);
    QFETCH(QString, lines);
    QFETCH(QString, marked);
    QFETCH(int, fault);
    QFETCH(QString, haloed);

    const mesh::Mesh mesh = mesh::assessMesh(survey);
    meshapp::MeshMapScene map;
    map.showMesh(mesh, meshapp::layOutMesh(mesh));
    QCOMPARE(badgesOf(map), badges);
    QCOMPARE(linesOf(map), lines);
    QCOMPARE(markedFaulty(map), marked);
    if (fault >= 0) {
        QVERIFY(static_cast<std::size_t>(fault) < mesh.faults.size());
        map.highlightFault(&mesh.faults[static_cast<std::size_t>(fault)]);
    }
    QCOMPARE(::haloed(map), haloed);
    map.highlightFault(nullptr);
    QCOMPARE(::haloed(map), QStringLiteral(" | "));
    QCOMPARE(markedFaulty(map), marked);  // a halo taken away leaves the marks
}

void MapSceneTest::legendAndBadgesShareTheRouteWindowsColours() {
    const mesh::Mesh mesh = mesh::assessMesh(heardOf());
    meshapp::MeshMapScene map;
    map.showMesh(mesh, meshapp::layOutMesh(mesh));
    QCOMPARE(map.badge(1)->color(), QColor(display::kLocalColor));
    QCOMPARE(map.badge(8)->color(), QColor(display::kRouteColor));
    QCOMPARE(meshapp::NodeBadge::letterOf(meshapp::BadgeKind::Module), QStringLiteral("S"));
    QCOMPARE(meshapp::NodeBadge::letterOf(meshapp::BadgeKind::HeardOf), QStringLiteral("R"));
}

void MapSceneTest::surveyAgainKeepsWhatDidNotChange_data() {
    QTest::addColumn<mesh::Survey>("second");
    QTest::addColumn<QString>("changes");  // nodes added, removed, changed; lines the same
    QTest::addColumn<QString>("kept");     // the badges that are the same objects as before

    QTest::newRow("the same") << chain() << "0 0 0 0 0 0"
                              << "1 2 3";
    QTest::newRow("a link cut") << cutChain() << "0 0 0 0 1 1"
                                << "1 2 3";
    QTest::newRow("a module more, one moved port")
        << mesh::Survey{answered("COM209", 1, {{2, 2}, {3, 2}}, {{2, 40}, {3, 60}}),
                        answered("COM201", 2, {{1, 1}, {3, 3}}),
                        answered("COM202", 3, {{1, 2}, {2, 2}}), answered("COM203", 4, {})}
        << "1 0 1 0 0 0"
        << "2 3";
}

void MapSceneTest::surveyAgainKeepsWhatDidNotChange() {
    QFETCH(mesh::Survey, second);
    QFETCH(QString, changes);
    QFETCH(QString, kept);

    const mesh::Mesh before = mesh::assessMesh(chain());
    meshapp::MeshMapScene map;
    const meshapp::MeshLayout layout = meshapp::layOutMesh(before);
    map.showMesh(before, layout);
    // A badge drawn anew may take the place of the old one in memory: mark the first ones.
    for (meshapp::NodeBadge* badge : map.badges()) badge->setData(0, QStringLiteral("first"));

    const mesh::Mesh after = mesh::assessMesh(second);
    const meshapp::MapChanges counted = map.showMesh(after, meshapp::layOutMesh(after, layout));
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6")
                 .arg(counted.nodesAdded)
                 .arg(counted.nodesRemoved)
                 .arg(counted.nodesChanged)
                 .arg(counted.linesAdded)
                 .arg(counted.linesRemoved)
                 .arg(counted.linesChanged),
             changes);
    QStringList same;
    for (meshapp::NodeBadge* badge : map.badges())
        if (badge->data(0).toString() == QStringLiteral("first")) same << badge->label();
    QCOMPARE(same.join(u' '), kept);
    QCOMPARE(map.items().size(), static_cast<qsizetype>(map.badges().size() + map.lines().size()));
}

QTEST_MAIN(MapSceneTest)
#include "MapSceneTest.moc"
