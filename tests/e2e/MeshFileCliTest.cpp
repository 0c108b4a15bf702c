// A mesh described in one file, end to end: the real meshcfg-cli against the example lab in
// qz470-sim. export, an edit of one node's power, plan, apply (and again, writing nothing: the
// simulator's write requests are counted), verify, then a module drifted by hand with a raw write
// and a link cut in the lab, which verify names and its JUnit file says too, read back by a JUnit
// parser. With --db the module written is a unit of the record, under its operator.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "CliRun.h"
#include "Messages.h"
#include "RunningLab.h"
#include "Text.h"

namespace {

QByteArray fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// A mesh file's text without its comment lines.
QByteArray withoutComments(const QByteArray& text) {
    QByteArray kept;
    for (const QByteArray& line : text.split('\n'))
        if (!line.startsWith('#')) kept += line + '\n';
    return kept;
}

QStringList outputLines(const QByteArray& out) {
    return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
}

// The JUnit file as a JUnit parser reads it: "CASE|failure message" for each failed case, and
// the counts.
CliResult junitRead(const QString& path) {
    QProcess python;
    // Debian's python3, where python3-junitparser installs.
    python.start("/usr/bin/python3",
                 {"-c",
                  "import sys, junitparser\n"
                  "xml = junitparser.JUnitXml.fromfile(sys.argv[1])\n"
                  "for suite in xml:\n"
                  "    print('tests', suite.tests, 'failures', suite.failures)\n"
                  "    for case in suite:\n"
                  "        for result in case.result:\n"
                  "            print(case.name + '|' + result.message)\n",
                  path});
    python.waitForFinished(20000);
    return {python.exitStatus() == QProcess::NormalExit ? python.exitCode() : -1,
            python.readAllStandardOutput(), python.readAllStandardError()};
}

}  // namespace

class MeshFileCliTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_lab = std::make_unique<RunningLab>(1);
        QVERIFY(m_lab->ready());
        QVERIFY(m_folder.isValid());
        m_site = m_folder.filePath("site.toml");
    }
    void cleanup() { QVERIFY(std::exchange(m_lab, nullptr)->stop()); }

    void exportEditPlanApplyVerify();
    void driftByHandAndCutLinkAreVerifiedDrifts();

  private:
    qsizetype writesSoFar() const { return m_lab->output().count("request write-setup"); }
    void exportLab() {
        const CliResult exported = runCli({"mesh", "export", "--aliases", "-o", m_site});
        QVERIFY2(exported.exitCode == 0, exported.err.constData());
    }

    std::unique_ptr<RunningLab> m_lab;
    QTemporaryDir m_folder;
    QString m_site;
};

void MeshFileCliTest::exportEditPlanApplyVerify() {
    exportLab();
    const QByteArray exported = fileText(m_site);
    // examples/site.toml is this export, kept as code.
    QCOMPARE(withoutComments(exported), withoutComments(fileText(MESHCFG_EXAMPLE_SITE)));
    // The export describes the lab as it is: nothing to change, no drift.
    const CliResult asItIs = runCli({"mesh", "plan", m_site});
    QCOMPARE(asItIs.exitCode, 0);
    QVERIFY2(asItIs.out.startsWith("Nothing to change"), asItIs.out.constData());
    QVERIFY(writeText(m_site,
                      QByteArray(exported).replace("node_id = 4\n", "node_id = 4\npower = 5\n")));

    const CliResult plan = runCli({"mesh", "plan", m_site});
    QCOMPARE(plan.exitCode, 1);
    QCOMPARE(outputLines(plan.out).filter("->"), QStringList{"COM203 (node 4): power 7 -> 5"});

    const qsizetype writesBefore = writesSoFar();
    const QString db = "sqlite:///" + m_folder.filePath("line.db");
    const CliResult apply =
        runCli({"mesh", "apply", m_site, "--db", db, "--operator", "Ada", "--json"});
    QVERIFY2(apply.exitCode == 0, apply.err.constData());
    const QJsonObject applied = QJsonDocument::fromJson(apply.out).object();
    QCOMPARE(applied["written"].toInt(), 1);
    QCOMPARE(applied["as_wanted"].toInt(), 5);
    QTRY_COMPARE(writesSoFar(), writesBefore + 1);
    QVERIFY2(m_lab->output().contains("node=4 request write-setup"), m_lab->output().constData());

    const CliResult again = runCli({"mesh", "apply", m_site});
    QCOMPARE(again.exitCode, 0);
    QVERIFY2(again.out.startsWith("Nothing to do"), again.out.constData());
    QCOMPARE(writesSoFar(), writesBefore + 1);

    const CliResult verify = runCli({"mesh", "verify", m_site});
    QVERIFY2(verify.exitCode == 0, verify.out.constData());
    QVERIFY2(verify.out.startsWith("No drift"), verify.out.constData());

    // The module written is a unit of the record, filed under its adapter, station and operator.
    const CliResult units = runCli({"units", "--db", db, "--json-lines", "--operator", "Ada"});
    QCOMPARE(units.exitCode, 0);
    const QList<QByteArray> lines = units.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 1);
    const QJsonObject unit = QJsonDocument::fromJson(lines.front()).object();
    QVERIFY(lines.front().startsWith("{\"adapter_serial\":\"\",\"station\":"));
    QCOMPARE(unit["operator"].toString(), QString("Ada"));
    QCOMPARE(unit["node_id"].toInt(), 4);
    QCOMPARE(unit["profile"].toString(), QString("site.toml node 4"));
    QCOMPARE(unit["settings"].toObject()["power"].toInt(), 5);
}

void MeshFileCliTest::driftByHandAndCutLinkAreVerifiedDrifts() {
    exportLab();
    // Module 3 given power 2 behind the tool's back: the setup frame written as raw bytes.
    proto::Setup drifted;
    drifted.frequencyRegister = *proto::frequencyRegisterFromMhz(434.0);
    drifted.powerCode = 2;
    drifted.nodeId = 3;
    const proto::Frame frame = proto::encode(proto::WriteSetupRequest{drifted});
    const CliResult raw =
        runCli({"-p", "COM202", "raw", "--as-is", QString::fromStdString(forms::hexText(frame))});
    QVERIFY2(raw.exitCode == 0, raw.err.constData());
    QVERIFY(m_lab->cut(RunningLab::kFirstRelayLink));
    QVERIFY2(m_lab->says("lab reloaded: 6 links"), m_lab->output().constData());

    const QString junit = m_folder.filePath("verify.xml");
    const CliResult verify = runCli({"mesh", "verify", m_site, "--junit", junit});
    QCOMPARE(verify.exitCode, 1);
    const QStringList drifts = outputLines(verify.out);
    QVERIFY2(drifts.contains("COM202 (node 3): power 2, wanted 7"), verify.out.constData());
    QVERIFY2(drifts.contains("link 1-2: missing: no route list or path read shows it"),
             verify.out.constData());

    const CliResult read = junitRead(junit);
    QVERIFY2(read.exitCode == 0, read.err.constData());
    const QStringList cases = outputLines(read.out);
    QVERIFY2(cases.contains("COM202 (node 3)|COM202 (node 3): power 2, wanted 7"),
             read.out.constData());
    QVERIFY2(cases.contains("link 1-2|link 1-2: missing: no route list or path read shows it"),
             read.out.constData());
    QVERIFY2(cases.front().startsWith("tests ") && cases.front().endsWith(" failures 2"),
             read.out.constData());

    const CliResult plan = runCli({"mesh", "plan", m_site, "--json"});
    QCOMPARE(plan.exitCode, 1);
    const QJsonObject planned = QJsonDocument::fromJson(plan.out).object();
    QCOMPARE(planned["differing"].toInt(), 1);
    const QJsonObject change =
        planned["modules"].toArray()[2].toObject()["changes"].toArray()[0].toObject();
    QCOMPARE(change["key"].toString(), QString("power"));
    QCOMPARE(change["current"].toInt(), 2);
    QCOMPARE(change["wanted"].toInt(), 7);
}

QTEST_GUILESS_MAIN(MeshFileCliTest)
#include "MeshFileCliTest.moc"
