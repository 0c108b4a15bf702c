#include "RunningLab.h"

#include <QFile>
#include <QTest>
#include <csignal>

RunningLab::RunningLab(int seed) : m_runtime(std::make_unique<ScopedRuntimeDir>()) {
    m_file = QString::fromStdString(m_runtime->path()) + "/lab.toml";
    m_log = QString::fromStdString(m_runtime->path()) + "/lab.log";
    if (!QFile::copy(MESHCFG_EXAMPLE_LAB, m_file)) return;
    QFile::setPermissions(m_file, QFile::ReadOwner | QFile::WriteOwner);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(QZ470_SIM_PATH),
                    {"--lab", m_file, "--seed", QString::number(seed), "--log", m_log});
    m_ready = m_process.waitForStarted() && says(" ready\n");
}

RunningLab::~RunningLab() {
    if (!stop()) m_process.kill();
    m_process.waitForFinished();
}

bool RunningLab::says(const QByteArray& words, int waitMs) {
    return QTest::qWaitFor(
        [&] {
            m_out += m_process.readAllStandardOutput();
            return output().contains(words);
        },
        waitMs);
}

QByteArray RunningLab::output() const {
    QFile log(m_log);
    return m_out + (log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray());
}

bool RunningLab::edit(const QByteArray& from, const QByteArray& to) {
    QFile file(m_file);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QByteArray text = file.readAll();
    file.close();
    if (!text.contains(from)) return false;
    text.replace(from, to);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return false;
    file.close();
    return ::kill(static_cast<pid_t>(m_process.processId()), SIGHUP) == 0;
}

bool RunningLab::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    m_process.terminate();
    return m_process.waitForFinished() && m_process.exitStatus() == QProcess::NormalExit &&
           m_process.exitCode() == 0;
}
