// What meshcfg-cli's exit code and lines say once a delivery test on the example lab ends: a
// pair that delivered nothing or too little, Ctrl+C, and output that did not all go out.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <vector>

#include "CliRun.h"
#include "RunningLab.h"

extern char** environ;

namespace {

constexpr int kWaitMs = 20000;

bool endsWithSummary(const QByteArray& out) {
    const QList<QByteArray> lines = out.trimmed().split('\n');
    return QJsonDocument::fromJson(lines.last()).object().contains("summary");
}

// meshcfg-cli with its standard output a pipe of one page, read by nobody until it is full.
class UnreadOutput {
  public:
    explicit UnreadOutput(const QStringList& arguments) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return;
        m_read = ends[0];
        ::fcntl(m_read, F_SETPIPE_SZ, 4096);
        std::vector<std::string> words{cliProgram().toStdString()};
        for (const QString& argument : arguments) words.push_back(argument.toStdString());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
    }
    ~UnreadOutput() {
        if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_read);
    }

    // The pipe holds bytes and took no more for half a second: the program waits to write.
    bool full() {
        int held = 0;
        for (int steady = 0; steady < 10; ++steady) {
            int now = 0;
            ::ioctl(m_read, FIONREAD, &now);
            if (now == 0 || now != held) steady = 0;
            held = now;
            QTest::qWait(50);
        }
        return held > 0;
    }

    void interrupt() const { ::kill(m_pid, SIGINT); }

    // Everything it printed, and its exit code (-1 if it did not exit by itself).
    std::pair<QByteArray, int> finish() {
        QByteArray out;
        char chunk[4096];
        for (ssize_t got; (got = ::read(m_read, chunk, sizeof chunk)) > 0;) out.append(chunk, got);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    }

  private:
    int m_read = -1;
    pid_t m_pid = -1;
};

}  // namespace

class LabOutcomeTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_lab = std::make_unique<RunningLab>(1);
        QVERIFY(m_lab->ready());
    }
    void cleanup() { QVERIFY(std::exchange(m_lab, nullptr)->stop()); }

    void deliveryTestEnds_data();
    void deliveryTestEnds();
    void summaryWaitsOutAFullPipe();
    void outputThatDidNotGoOut_data();
    void outputThatDidNotGoOut();

  private:
    std::unique_ptr<RunningLab> m_lab;
};

// The exit code says how the pairs did; each one that fell short is a line of its own.
void LabOutcomeTest::deliveryTestEnds_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("interrupted");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");  // the whole of standard error, as a pattern
    QTest::newRow("all delivered")
        << QStringList{"--pairs", "COM200:COM201", "--count", "5"} << false << 0 << QString("");
    QTest::newRow("nothing delivered")
        << QStringList{"--pairs", "COM200:COM204", "--count", "3", "--timeout", "300"} << false << 1
        << QString("meshcfg-cli: COM200 -> COM204 delivered none of 3 sends\n");
    QTest::newRow("at --min-delivery")
        << QStringList{"--pairs", "COM200:COM201", "--count", "5", "--min-delivery", "0.9"} << false
        << 0 << QString("");
    QTest::newRow("under --min-delivery")
        << QStringList{"--pairs", "COM202:COM203", "--count", "40", "--min-delivery", "0.95"}
        << false << 1
        << QString(R"(meshcfg-cli: COM202 -> COM203 delivered \d+ of 40 sends \(\d+\.\d%, )"
                   R"(below 95%\)\n)");
    QTest::newRow("Ctrl+C") << QStringList{"--pairs", "COM200:COM201", "--count", "1000"} << true
                            << 130 << QString("");
}

void LabOutcomeTest::deliveryTestEnds() {
    QFETCH(QStringList, options);
    QFETCH(bool, interrupted);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QProcess run;
    startCli(run, QStringList{"-p", "COM200-COM205", "mesh", "test", "--interval", "20", "--json"} +
                      options);
    if (interrupted) {
        QVERIFY(run.waitForReadyRead(kWaitMs));
        ::kill(static_cast<pid_t>(run.processId()), SIGINT);
    }
    const CliResult result = finishCli(run);
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(endsWithSummary(result.out), result.out.constData());
    const QRegularExpression whole(QRegularExpression::anchoredPattern(err));
    QVERIFY2(whole.match(QString::fromUtf8(result.err)).hasMatch(), result.err.constData());
}

// Ctrl+C while the program waits to write to a full pipe: the summary still comes whole once the
// pipe is read, and the exit code says the run was cut short.
void LabOutcomeTest::summaryWaitsOutAFullPipe() {
    UnreadOutput run({"-p", "COM200", "-p", "COM201", "mesh", "test", "--count", "100000",
                      "--interval", "20", "--json"});
    QVERIFY(run.full());
    run.interrupt();
    QTest::qWait(200);  // the signal comes while the write waits
    const auto [out, exitCode] = run.finish();
    QVERIFY2(endsWithSummary(out), out.right(300).constData());
    QCOMPARE(exitCode, 130);
}

// A full disk or a file size limit cuts what is written: exit 7 and one line naming what; the
// CSV file keeps only whole rows.
void LabOutcomeTest::outputThatDidNotGoOut_data() {
    QTest::addColumn<QString>("shell");  // run with the program and its arguments after it
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("err");
    const QStringList test{"-p",   "COM200",  "-p", "COM201",     "mesh",
                           "test", "--count", "3",  "--interval", "20"};
    const QString stdoutLost =
        "meshcfg-cli: standard output: cannot be written: what was printed is not all there\n";
    QTest::newRow("JSON lines to a full disk")
        << "exec \"$0\" \"$@\" >/dev/full" << test + QStringList{"--json"} << stdoutLost;
    QTest::newRow("the table to a full disk")
        << "exec \"$0\" \"$@\" >/dev/full" << test << stdoutLost;
    QTest::newRow("a route list to a full disk")
        << "exec \"$0\" \"$@\" >/dev/full" << QStringList{"-p", "COM200", "route"} << stdoutLost;
    QTest::newRow("help to a full disk")
        << "exec \"$0\" \"$@\" >/dev/full" << QStringList{"--help"} << stdoutLost;
    QTest::newRow("CSV beyond the file size limit")
        << "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\" >/dev/null"
        << QStringList{"-p",      "COM200", "-p",         "COM201", "mesh",  "test",
                       "--count", "40",     "--interval", "20",     "--csv", "CSV"}
        << "meshcfg-cli: CSV: cannot be written: File too large; the sends from here on are not "
           "in it\n";
}

void LabOutcomeTest::outputThatDidNotGoOut() {
    QFETCH(QString, shell);
    QFETCH(QStringList, arguments);
    QFETCH(QString, err);
    const QTemporaryDir folder;
    const QString csv = folder.filePath("sends.csv");
    arguments.replaceInStrings(QRegularExpression("^CSV$"), csv);
    QProcess run;
    run.start("bash", QStringList{"-c", shell, cliProgram()} + arguments);
    QVERIFY(run.waitForFinished(kWaitMs));
    QCOMPARE(run.exitCode(), 7);
    QCOMPARE(QString::fromUtf8(run.readAllStandardError()), err.replace("CSV", csv));
    QFile rows(csv);
    if (!rows.open(QIODevice::ReadOnly)) return;
    const QByteArray text = rows.readAll();
    QVERIFY(text.endsWith('\n'));
    for (const QByteArray& row : text.trimmed().split('\n')) QCOMPARE(row.count(','), 9);
    QVERIFY2(text.count('\n') < 41, text.constData());
}

QTEST_GUILESS_MAIN(LabOutcomeTest)
#include "LabOutcomeTest.moc"
