#pragma once
// What the end-to-end tests of single modules set up alike: a runtime folder of the test's own,
// where the simulators publish their aliases and the test keeps its files, and simulators
// started into it, each logging its requests to a file of its own.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "ScopedRuntimeDir.h"
#include "SimulatorProcess.h"

class SimulatedDesk {
  public:
    SimulatedDesk() = default;
    ~SimulatedDesk();  // the simulators end before their folder goes
    SimulatedDesk(const SimulatedDesk&) = delete;
    SimulatedDesk& operator=(const SimulatedDesk&) = delete;

    const std::string& folder() const { return m_runtime.path(); }
    QString file(const QString& name) const;
    // The file written whole; empty when it could not be.
    QString writeFile(const QString& name, const QByteArray& content) const;
    // line.toml, the profile a line writes, with this UART rate and parity.
    QString writeLineProfile(int uartBaud = 115200, const QByteArray& parity = "EVEN") const;

    // A simulator not yet started, logging to sim<n>.log.
    SimulatorProcess& addSimulator();
    // One started with exactly these options; nullptr, with startError(), when it did not start.
    SimulatorProcess* startSimulator(const QStringList& options);
    const QString& startError() const { return m_startError; }
    void stopSimulators() { m_simulators.clear(); }
    const std::vector<std::unique_ptr<SimulatorProcess>>& simulators() const {
        return m_simulators;
    }

  private:
    ScopedRuntimeDir m_runtime;
    std::vector<std::unique_ptr<SimulatorProcess>> m_simulators;
    QString m_startError;
};
