#include "SimulatorProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <csignal>

namespace {

constexpr int kStartLimitMs = 15000;
constexpr int kStopLimitMs = 5000;

}  // namespace

SimulatorProcess::SimulatorProcess(QString logFile) : m_logFile(std::move(logFile)) {
    // Errors of the simulator itself belong in the test's output.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SimulatorProcess::~SimulatorProcess() {
    if (!stop()) kill();
}

bool SimulatorProcess::start(const QStringList& options) {
    m_process.setProgram(QStringLiteral(QZ470_SIM_PATH));
    m_process.setArguments(QStringList{QStringLiteral("--log"), m_logFile} + options);
    m_process.start();
    if (!m_process.waitForStarted(kStartLimitMs)) {
        m_error =
            QStringLiteral("cannot start %1: %2").arg(m_process.program(), m_process.errorString());
        return false;
    }
    return readAnnouncement();
}

bool SimulatorProcess::readAnnouncement() {
    const QDeadlineTimer deadline(kStartLimitMs);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || !m_process.waitForReadyRead(deadline.remainingTime())) {
            m_error = QStringLiteral("qz470-sim named no port");
            return false;
        }
    }
    const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    static const QRegularExpression form(QStringLiteral("^qz470-sim: COM(\\d+) -> (\\S+)$"));
    const QRegularExpressionMatch match = form.match(line);
    if (!match.hasMatch()) {
        m_error = QStringLiteral("unexpected first line '%1'").arg(line);
        return false;
    }
    m_port = match.captured(1).toInt();
    m_device = match.captured(2);
    return true;
}

QStringList SimulatorProcess::logLines() const {
    QFile file(m_logFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QStringList SimulatorProcess::requests() const {
    QStringList lines = logLines();
    lines.removeIf([](const QString& line) { return line.startsWith(u"notice "); });
    return lines;
}

int SimulatorProcess::countRequests(const QString& prefix) const {
    int n = 0;
    for (const QString& line : logLines()) n += line.startsWith(prefix) ? 1 : 0;
    return n;
}

bool SimulatorProcess::stop() {
    if (m_process.state() == QProcess::NotRunning) return true;
    m_process.terminate();
    return m_process.waitForFinished(kStopLimitMs) &&
           m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

QString SimulatorProcess::lastRequest() const {
    const QStringList lines = requests();
    return lines.isEmpty() ? QString() : lines.last();
}

void SimulatorProcess::pullCable() {
    ::kill(static_cast<pid_t>(m_process.processId()), SIGUSR1);
}

bool SimulatorProcess::plugCable() {
    ::kill(static_cast<pid_t>(m_process.processId()), SIGUSR2);
    return readAnnouncement();
}

void SimulatorProcess::kill() {
    m_process.kill();
    m_process.waitForFinished(kStopLimitMs);
}
