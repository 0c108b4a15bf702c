// The real meshcfg-cli surveying the shipped example lab: its six modules listed, the module on
// the wrong network id named by the first fault, the map drawn by dot, a port that fails beside
// the others, and the routes after a link is cut while the lab runs.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QtTest>

#include "CliRun.h"
#include "RunningLab.h"

namespace {

constexpr int kWaitMs = 20000;

QJsonObject surveyJson(const CliResult& result) {
    return QJsonDocument::fromJson(result.out).object();
}

QJsonObject nodeOf(const QJsonObject& survey, int id) {
    for (const QJsonValue& node : survey["nodes"].toArray())
        if (node["id"].toInt() == id) return node.toObject();
    return {};
}

}  // namespace

class LabSurveyTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_lab = std::make_unique<RunningLab>(1);
        QVERIFY(m_lab->ready());
    }
    void cleanup() { QVERIFY(std::exchange(m_lab, nullptr)->stop()); }

    void sixModulesAndTheWrongNetworkIdFirst();
    void theTableNamesItToo();
    void dotDrawsTheMap();
    void aPortThatFailsBesideTheOthers();
    void aPortThatFailsIsDrawnAndSaid();
    void aCutLinkGivesNewRoutes();

  private:
    std::unique_ptr<RunningLab> m_lab;
};

void LabSurveyTest::sixModulesAndTheWrongNetworkIdFirst() {
    const CliResult result = runCli({"mesh", "survey", "--aliases", "--json"});
    QCOMPARE(result.exitCode, 1);
    const QJsonObject survey = surveyJson(result);
    const QJsonArray nodes = survey["nodes"].toArray();
    QCOMPARE(nodes.size(), 6);
    for (int i = 0; i < nodes.size(); ++i) {
        QCOMPARE(nodes[i]["id"].toInt(), i + 1);
        QCOMPARE(nodes[i]["port"].toString(), QStringLiteral("COM%1").arg(200 + i));
    }
    QCOMPARE(nodeOf(survey, 5)["settings"].toObject()["network_id"].toInt(), 2);
    // It hears no one: an empty route list is its answer, not a request left unanswered.
    QCOMPARE(nodeOf(survey, 5)["routes"].toArray(), QJsonArray());
    for (const QJsonValue& fault : survey["faults"].toArray())
        QVERIFY2(fault["kind"] != "missing_reply", qPrintable(fault["text"].toString()));
    const QJsonObject first = survey["faults"].toArray().first().toObject();
    QCOMPARE(first["kind"].toString(), QStringLiteral("network_id_differs"));
    QCOMPARE(first["ports"].toArray(), QJsonArray{"COM204"});
    QCOMPARE(first["nodes"].toArray(), QJsonArray{5});
    // The relay chain 1 - 2 - 6 both ways.
    QVERIFY(
        nodeOf(survey, 1)["routes"].toArray().contains(QJsonObject{{"target", 6}, {"route", 2}}));
    QVERIFY(
        nodeOf(survey, 6)["routes"].toArray().contains(QJsonObject{{"target", 1}, {"route", 2}}));
}

void LabSurveyTest::theTableNamesItToo() {
    const CliResult result = runCli({"-p", "COM200-COM205", "mesh", "survey"});
    QCOMPARE(result.exitCode, 1);
    const QList<QByteArray> lines = result.out.split('\n');
    QCOMPARE(lines.count(), 1 + 6 + 1 + 2 + 1);  // heading, modules, a blank line, two faults
    QVERIFY2(lines[1].startsWith("1     COM200  434.00  1 "), lines[1].constData());
    QCOMPARE(lines[8],
             QByteArray("fault: COM204 (node 5) has network id 2, the rest of the mesh 1"));
}

void LabSurveyTest::dotDrawsTheMap() {
    const QString dot = QStandardPaths::findExecutable(QStringLiteral("dot"));
    QVERIFY2(!dot.isEmpty(), "dot is missing: install graphviz");
    QProcess pipeline;
    pipeline.start(
        QStringLiteral("/bin/bash"),
        {"-c", "set -o pipefail; \"$0\" -p COM204 mesh survey --aliases --dot | \"$1\" -Tsvg",
         cliProgram(), dot});
    QVERIFY(pipeline.waitForFinished(kWaitMs));
    QCOMPARE(pipeline.exitCode(), 1);  // the survey's: the mesh has faults
    const QByteArray svg = pipeline.readAllStandardOutput();
    QVERIFY2(svg.contains("<svg") && svg.contains("</svg>"),
             pipeline.readAllStandardError().constData());
    for (const char* node : {"<title>n1</title>", "<title>n5</title>", "<title>n6</title>"})
        QVERIFY2(svg.contains(node), node);
    QVERIFY(svg.contains("red"));  // the module on the wrong network id
}

void LabSurveyTest::aPortThatFailsBesideTheOthers() {
    const CliResult result =
        runCli({"-p", "COM200-COM205", "-p", "COM207", "mesh", "survey", "--json"});
    QCOMPARE(result.exitCode, 3);
    const QJsonObject survey = surveyJson(result);
    QCOMPARE(survey["nodes"].toArray().size(), 6);
    bool named = false;
    for (const QJsonValue& fault : survey["faults"].toArray())
        named |= fault["kind"] == "port_failed" && fault["ports"] == QJsonArray{"COM207"};
    QVERIFY2(named, result.out.constData());
}

// The drawing has no table to name the failure in: it is a box of its own, and a line on stderr.
void LabSurveyTest::aPortThatFailsIsDrawnAndSaid() {
    const CliResult result =
        runCli({"-p", "COM200-COM205", "-p", "COM207", "mesh", "survey", "--dot"});
    QCOMPARE(result.exitCode, 3);
    QVERIFY2(result.out.contains("\n  failed6 [label=\"COM207\\nNo such device: "),
             result.out.constData());
    QVERIFY2(result.err.startsWith("meshcfg-cli: COM207: No such device: "),
             result.err.constData());
    QCOMPARE(result.err.count('\n'), 1);
}

void LabSurveyTest::aCutLinkGivesNewRoutes() {
    QVERIFY(m_lab->cut(RunningLab::kFirstRelayLink));
    QVERIFY2(m_lab->says("lab reloaded: 6 links"), m_lab->output().constData());

    const QJsonObject survey = surveyJson(runCli({"mesh", "survey", "--aliases", "--json"}));
    // Node 1 now reaches everyone through 3, the far end 6 through 4 and 2 directly.
    const QJsonArray throughThree{
        QJsonObject{{"target", 2}, {"route", 3}}, QJsonObject{{"target", 3}, {"route", 3}},
        QJsonObject{{"target", 4}, {"route", 3}}, QJsonObject{{"target", 6}, {"route", 3}}};
    QCOMPARE(nodeOf(survey, 1)["routes"].toArray(), throughThree);
    for (const QJsonValue& edge : survey["edges"].toArray())
        QVERIFY(!(edge["from"] == 1 && edge["to"] == 2));
}

QTEST_GUILESS_MAIN(LabSurveyTest)
#include "LabSurveyTest.moc"
