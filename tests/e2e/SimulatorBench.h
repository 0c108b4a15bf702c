#pragma once
// The real main window beside a running simulator: a private runtime directory for the alias,
// the simulator, and the window with its own 100 ms timer running. connect() does what a
// user does: Refresh, choose the simulator's port, Open.

#include <QString>
#include <QStringList>
#include <memory>

#include "CMeshcfgDlg.h"
#include "SimulatedDesk.h"

// No pacing and no unasked notices, where neither is the point.
inline const QStringList kUnpacedLine{QStringLiteral("--baud"), QStringLiteral("0"),
                                      QStringLiteral("--notice-every"), QStringLiteral("0")};
// Paced as the port is set, by default, as a module on a real line answers.
inline const QStringList kPacedLine{QStringLiteral("--baud"), QStringLiteral("9600"),
                                    QStringLiteral("--notice-every"), QStringLiteral("0")};

class SimulatorBench {
  public:
    // Generous, for a loaded machine: waits end as soon as their condition holds.
    static constexpr int kWaitMs = 20000;

    SimulatorBench();

    // False, with error(), when the simulator did not start or its port did not open.
    bool connect(const QStringList& simulatorOptions);
    const QString& error() const { return m_error; }
    // Closes the port, stops the simulator and connects to a new one started with these
    // options: the windows keep what the first one made them show.
    bool reconnect(const QStringList& simulatorOptions);

    // A file in the private runtime directory, e.g. a mesh for --mesh.
    QString writeFile(const QString& name, const QByteArray& content) const;
    // Options for a mesh file's text (the built-in mesh for none) on top of base.
    QStringList meshOptions(const QByteArray& mesh, const QStringList& base = kUnpacedLine) const;

    app::CMeshcfgDlg& dlg() { return *m_dlg; }
    SimulatorProcess& simulator() { return m_simulator; }

    void press(int id);
    QString portEntry() const;  // what the port list shows for the simulator
    QStringList logLines(const QString& prefix) const;
    int countLog(const QString& prefix) const { return logLines(prefix).size(); }

  private:
    SimulatedDesk m_desk;
    SimulatorProcess& m_simulator;
    std::unique_ptr<app::CMeshcfgDlg> m_dlg;  // closes its port before the simulator stops
    QString m_error;
};
