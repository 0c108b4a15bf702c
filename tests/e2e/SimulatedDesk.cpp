#include "SimulatedDesk.h"

#include <QFile>

SimulatedDesk::~SimulatedDesk() {
    m_simulators.clear();
}

QString SimulatedDesk::file(const QString& name) const {
    return QString::fromStdString(m_runtime.path()) + u'/' + name;
}

QString SimulatedDesk::writeFile(const QString& name, const QByteArray& content) const {
    QFile out(file(name));
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size()) return {};
    return out.fileName();
}

QString SimulatedDesk::writeLineProfile(int uartBaud, const QByteArray& parity) const {
    return writeFile(QStringLiteral("line.toml"),
                     "frequency = 434.0\npower = 5\nlife_cycle = \"1h\"\nnetwork_id = 4660\n"
                     "node_id = 258\nuart_baud = " +
                         QByteArray::number(uartBaud) + "\nuart_parity = \"" + parity + "\"\n");
}

SimulatorProcess& SimulatedDesk::addSimulator() {
    const QString log = file(QStringLiteral("sim%1.log").arg(m_simulators.size()));
    return *m_simulators.emplace_back(std::make_unique<SimulatorProcess>(log));
}

SimulatorProcess* SimulatedDesk::startSimulator(const QStringList& options) {
    SimulatorProcess& simulator = addSimulator();
    if (simulator.start(options)) return &simulator;
    m_startError = simulator.error();
    m_simulators.pop_back();
    return nullptr;
}
