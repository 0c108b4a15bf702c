#pragma once
// A running qz470-sim for end-to-end tests: started with the test's options and the current
// XDG_RUNTIME_DIR (set it with ScopedRuntimeDir first), so its alias lands in the test's own
// directory; its request log goes to a file the test reads.

#include <QProcess>
#include <QString>
#include <QStringList>

class SimulatorProcess {
  public:
    explicit SimulatorProcess(QString logFile);
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Starts the simulator and waits for the line that names its port. False, with error(),
    // when it did not come up.
    bool start(const QStringList& options);
    const QString& error() const { return m_error; }

    int port() const { return m_port; }                 // the COM number it published
    const QString& device() const { return m_device; }  // its pseudo-terminal

    // The request log so far, one entry a line, without the notices it sent.
    QStringList requests() const;
    // Lines of the whole log, notices included, that start with prefix.
    int countRequests(const QString& prefix) const;
    QString lastRequest() const;  // empty before the first

    // SIGUSR1: the cable is pulled, and the port hangs up.
    void pullCable();
    // SIGUSR2: plugged back under the same COM alias, on the terminal it announces. False,
    // with error(), when no announcement came.
    bool plugCable();

    // SIGTERM: the simulator removes its alias and ends. False when it did not end cleanly.
    bool stop();
    // SIGKILL: the simulator gets no chance to clean up, like a peer that dies.
    void kill();

  private:
    bool readAnnouncement();
    QStringList logLines() const;

    QProcess m_process;
    QString m_logFile;
    QString m_error;
    int m_port = 0;
    QString m_device;
};
