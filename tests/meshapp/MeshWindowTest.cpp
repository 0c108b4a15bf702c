// The mesh window with a survey source made up in advance, its ports published as aliases:
// Survey fills the map and the faults from the ticked ports off the window thread, again
// redraws what changed, a click shows a module, the map saves as whole SVG and PNG files, and
// closing the window ends a survey still running; a mesh file opened lists and marks what
// drifts from it first.

#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "FakeSurveySource.h"
#include "LabSurvey.h"
#include "MapItems.h"
#include "MapView.h"
#include "MeshMapScene.h"
#include "MeshWindow.h"
#include "PortChecklist.h"
#include "PublishedPorts.h"
#include "RouteWindow.h"

namespace {

// Three modules in a chain 1 - 2 - 3 and one on another network id.
const char* const kLab = R"(
[[node]]
id = 1
com = 200
[[node]]
id = 2
com = 201
[[node]]
id = 3
com = 202
[[node]]
id = 4
com = 203
network_id = 2
[[link]]
nodes = [1, 2]
link_value = 52
[[link]]
nodes = [2, 3]
link_value = 97
[[link]]
nodes = [1, 4]
link_value = 40
)";

mesh::Survey labSurvey(const std::string& more = "") {
    return lab_survey::survey(lab_survey::planOf(kLab + more));
}

// The same lab with the link 2 - 3 gone: 3 is alone.
mesh::Survey cutLabSurvey() {
    std::string text = kLab;
    text.erase(text.find("[[link]]\nnodes = [2, 3]"),
               std::string("[[link]]\nnodes = [2, 3]\nlink_value = 97\n").size());
    return lab_survey::survey(lab_survey::planOf(text));
}

struct Bench {
    explicit Bench(std::vector<mesh::Survey> answers)
        : ports(answers.front()),
          source(std::move(answers)),
          window(std::make_unique<meshapp::MeshWindow>(&source)) {
        for (const char* port : {"COM200", "COM201", "COM202", "COM203"})
            window->ports().setTicked(QString::fromLatin1(port), true);
    }
    bool surveyed() {
        window->surveyButton().click();
        return QTest::qWaitFor([this] { return !window->surveying(); }, 10000);
    }

    PublishedPorts ports;
    FakeSurveySource source;
    std::unique_ptr<meshapp::MeshWindow> window;
};

}  // namespace

class MeshWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void surveyFillsTheMapFromTheTickedPorts();
    void windowKeepsWorkingWhileASurveyRuns();
    void surveyAgainRedrawsWhatChanged();
    void clickOnAModuleShowsItsSettingsRoutesAndPath();
    void savesTheMapAsWholeFiles_data();
    void savesTheMapAsWholeFiles();
    void refusesToSaveWhereNoFileCanBe();
    void withoutASourceSurveyIsOffAndSaysWhy();
    void closingEndsASurveyStillRunning();
    void zoomStaysInItsBoundsAndFitShowsTheWholeMesh_data();
    void zoomStaysInItsBoundsAndFitShowsTheWholeMesh();
    void openedMeshFileSurveysItsModulesAndMarksTheirDriftFirst();
};

void MeshWindowTest::surveyFillsTheMapFromTheTickedPorts() {
    Bench bench({labSurvey()});
    bench.window->ports().setTicked(QStringLiteral("COM203"), false);
    QVERIFY(bench.surveyed());
    QCOMPARE(bench.source.lastPorts(), (std::vector<std::string>{"COM200", "COM201", "COM202"}));
    QCOMPARE(bench.window->map().badges().size(), 4u);
    QCOMPARE(bench.window->faults().count(), static_cast<int>(bench.window->mesh().faults.size()));
    QVERIFY(bench.window->faults().item(0)->text().contains(QStringLiteral("COM203")));
    QVERIFY(bench.window->surveyButton().isEnabled());
    QVERIFY(bench.window->status().contains(QStringLiteral("fault")));
    // Marked from the start, before any fault is selected.
    QVERIFY(bench.window->map().badge(4)->faulty());
    QVERIFY(!bench.window->map().badge(1)->faulty());

    bench.window->faults().setCurrentRow(0);
    QVERIFY(bench.window->map().badge(4)->highlighted());
    QVERIFY(!bench.window->map().badge(1)->highlighted());
}

void MeshWindowTest::windowKeepsWorkingWhileASurveyRuns() {
    Bench bench({labSurvey()});
    bench.source.hold();
    bench.window->surveyButton().click();
    QVERIFY(QTest::qWaitFor([&] { return bench.source.started() == 1; }));

    // The window thread is free: a timer fires, the port list takes clicks, Survey waits.
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    QVERIFY(QTest::qWaitFor([&] { return fired; }));
    QVERIFY(!bench.window->surveyButton().isEnabled());
    QCOMPARE(bench.window->surveyButton().text(), QStringLiteral("Surveying..."));
    bench.window->survey();
    QCOMPARE(bench.source.started(), 1);

    bench.source.release();
    QVERIFY(QTest::qWaitFor([&] { return !bench.window->surveying(); }));
    QCOMPARE(bench.window->map().badges().size(), 4u);
    QCOMPARE(bench.window->surveyButton().text(), QStringLiteral("Survey"));
}

void MeshWindowTest::surveyAgainRedrawsWhatChanged() {
    Bench bench({labSurvey(), cutLabSurvey()});
    QVERIFY(bench.surveyed());
    meshapp::NodeBadge* one = bench.window->map().badge(1);
    const QPointF where = one->pos();
    QVERIFY(bench.window->map().line(2, 3));

    QVERIFY(bench.surveyed());
    QCOMPARE(bench.window->map().badge(1), one);  // not drawn anew
    QVERIFY(QLineF(where, one->pos()).length() < meshapp::kBadgeDiameter);
    QVERIFY(!bench.window->map().line(2, 3));
    QVERIFY2(bench.window->status().contains(QStringLiteral("line(s) gone")),
             qPrintable(bench.window->status()));
}

void MeshWindowTest::clickOnAModuleShowsItsSettingsRoutesAndPath() {
    Bench bench({labSurvey()});
    bench.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(bench.window.get()));
    QVERIFY(bench.surveyed());
    meshapp::MapView& view = bench.window->view();
    const QPoint at = view.mapFromScene(bench.window->map().badge(1)->pos());
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);

    const QString details = bench.window->details().toPlainText();
    for (const char* shown :
         {"COM200", "434.00 MHz", "9600 NO", "Route list of node 1", "1 → 2 (-52) → 3 (-97)"})
        QVERIFY2(details.contains(QString::fromUtf8(shown)), qPrintable(details));
    QVERIFY(bench.window->map().badge(1)->isSelected());
}

void MeshWindowTest::savesTheMapAsWholeFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("svg") << "map.svg";
    QTest::newRow("SVG, upper case") << "map.SVG";
    QTest::newRow("png") << "map.png";
}

void MeshWindowTest::savesTheMapAsWholeFiles() {
    QFETCH(QString, name);
    Bench bench({labSurvey()});
    QVERIFY(bench.surveyed());
    QTemporaryDir folder;
    const QString path = folder.filePath(name);
    QCOMPARE(bench.window->saveMap(path), QString());

    const QSizeF map = bench.window->map().sceneRect().size();
    QSize size;
    QImage picture;
    if (name.endsWith(QStringLiteral("svg"), Qt::CaseInsensitive)) {
        QSvgRenderer svg(path);
        QVERIFY(svg.isValid());
        size = svg.viewBox().size();  // in the map's pixels; the file's size is in mm
        picture = QImage(size, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        svg.render(&painter);
    } else {
        QVERIFY(picture.load(path, "PNG"));
        size = picture.size();
    }
    QVERIFY(size.width() >= map.width() && size.height() > map.height());
    // The badge of node 1 is drawn in the picture, under the legend, where the map has it.
    const QPointF badge =
        bench.window->map().badge(1)->pos() - bench.window->map().sceneRect().topLeft();
    const QPoint inside =
        (badge + QPointF(0, size.height() - map.height()) + QPointF(-10, 8)).toPoint();
    QCOMPARE(picture.pixelColor(inside), QColor(display::kLocalColor));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{name});
}

void MeshWindowTest::refusesToSaveWhereNoFileCanBe() {
    Bench bench({labSurvey()});
    QVERIFY(bench.surveyed());
    QTemporaryDir folder;
    QVERIFY(!bench.window->saveMap(folder.filePath(QStringLiteral("missing/map.png"))).isEmpty());
    QVERIFY(QDir(folder.path()).isEmpty());
}

void MeshWindowTest::withoutASourceSurveyIsOffAndSaysWhy() {
    meshapp::MeshWindow window(nullptr);
    QVERIFY(!window.surveyButton().isEnabled());
    QVERIFY(window.status().contains(QStringLiteral("cannot survey")));
    window.survey();
    QVERIFY(!window.surveying());
}

void MeshWindowTest::closingEndsASurveyStillRunning() {
    Bench bench({labSurvey()});
    bench.source.hold();
    bench.window->surveyButton().click();
    QVERIFY(QTest::qWaitFor([&] { return bench.source.started() == 1; }));
    bench.window.reset();  // waits for the survey, which the stop request ends
    QCOMPARE(bench.source.started(), 1);
}

void MeshWindowTest::zoomStaysInItsBoundsAndFitShowsTheWholeMesh_data() {
    QTest::addColumn<QString>("steps");  // + zoom in, - zoom out, w Ctrl+wheel up, s wheel alone
    QTest::addColumn<double>("zoom");
    QTest::newRow("in, up to the most") << QString(20, u'+') << meshapp::MapView::kMaxZoom;
    QTest::newRow("out, down to the least") << QString(20, u'-') << meshapp::MapView::kMinZoom;
    QTest::newRow("Ctrl and the wheel")
        << "ww" << meshapp::MapView::kZoomStep * meshapp::MapView::kZoomStep;
    QTest::newRow("the wheel alone scrolls") << "ss" << 1.0;
}

void MeshWindowTest::zoomStaysInItsBoundsAndFitShowsTheWholeMesh() {
    QFETCH(QString, steps);
    QFETCH(double, zoom);
    Bench bench({lab_survey::survey(lab_survey::grid(6, 10))});
    bench.window->resize(900, 600);
    bench.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(bench.window.get()));
    QVERIFY(bench.surveyed());
    meshapp::MapView& view = bench.window->view();
    // The first survey shows the whole mesh, at most at its own size.
    const QRectF shown = view.mapToScene(view.viewport()->rect()).boundingRect();
    QVERIFY(shown.adjusted(-1, -1, 1, 1).contains(bench.window->map().sceneRect()));
    QVERIFY(view.zoom() < 1);

    view.setZoom(1);
    for (const QChar step : steps) {
        if (step == u'+') view.zoomIn();
        if (step == u'-') view.zoomOut();
        if (step == u'w' || step == u's') {
            const QPointF centre = view.viewport()->rect().center();
            QWheelEvent wheel(centre, view.viewport()->mapToGlobal(centre), {}, {0, 120},
                              Qt::NoButton, step == u'w' ? Qt::ControlModifier : Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(view.viewport(), &wheel);
        }
    }
    QCOMPARE(view.zoom(), zoom);
}

void MeshWindowTest::openedMeshFileSurveysItsModulesAndMarksTheirDriftFirst() {
    Bench bench({cutLabSurvey()});
    QTemporaryDir folder;
    const QString bad = folder.filePath(QStringLiteral("bad.toml"));
    const QString site = folder.filePath(QStringLiteral("site.toml"));
    {
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[[module]]\nport = \"COM200\"\nnode_id = 1\nsquelch = 3\n");
    }
    {
        QFile file(site);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Node 2 wanted at power 5, and the link 2 - 3 that the lab has lost; COM203 not named.
        file.write(
            "[[module]]\nport = \"COM200\"\nnode_id = 1\n"
            "[[module]]\nport = \"COM201\"\nnode_id = 2\npower = 5\n"
            "[[module]]\nport = \"COM202\"\nnode_id = 3\n"
            "[[expect.link]]\nnodes = [2, 3]\n");
    }
    const QString refused = bench.window->openMeshFile(bad);
    QVERIFY2(refused.contains(bad + QStringLiteral(":4:")), qPrintable(refused));

    QCOMPARE(bench.window->openMeshFile(site), QString());
    QVERIFY(bench.surveyed());
    QCOMPARE(bench.source.lastPorts(), (std::vector<std::string>{"COM200", "COM201", "COM202"}));
    const QListWidget& faults = bench.window->faults();
    QVERIFY(faults.count() > 2);
    QVERIFY2(faults.item(0)->text().startsWith(QStringLiteral("COM201 (node 2): power ")) &&
                 faults.item(0)->text().endsWith(QStringLiteral(", wanted 5")),
             qPrintable(faults.item(0)->text()));
    QCOMPARE(faults.item(1)->text(),
             QStringLiteral("link 2-3: missing: no route list or path read shows it"));
    QVERIFY(bench.window->map().badge(2)->faulty());
    QVERIFY(bench.window->status().contains(QStringLiteral("2 drift(s) from site.toml")));
}

QTEST_MAIN(MeshWindowTest)
#include "MeshWindowTest.moc"
