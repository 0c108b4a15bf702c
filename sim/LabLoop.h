#pragma once
// The lab's one poll loop: every module's terminal, the control signals and the lab's timed
// events, served by one thread. Idle, it sleeps until a byte, something due or a signal comes.

#include <functional>
#include <memory>
#include <vector>

#include "ControlSignals.h"
#include "Lab.h"
#include "LabPort.h"
#include "ModuleLine.h"
#include "Options.h"
#include "Readiness.h"
#include "RequestLog.h"

namespace sim {

class LabLoop {
  public:
    // reread: the lab file read again, on SIGHUP.
    LabLoop(Lab& lab, std::vector<std::unique_ptr<LabPort>>& ports, ControlSignals& signals,
            RequestLog& log, const LineTiming& timing, std::function<LabRead()> reread);

    // Gives every module with a line its terminal, announces each port, then serves them all
    // until a stop signal. Throws std::runtime_error when a terminal fails.
    void run();

  private:
    using Clock = Lab::Clock;

    void syncPorts(bool announceAll);
    void tellAliasLost(std::size_t module);
    std::optional<Clock::time_point> nextWake() const;
    void serve(std::size_t module, short events, Clock::time_point now);
    void watch(std::size_t module);
    void hear(std::size_t module, const std::vector<Heard>& heard);
    bool obey(Control control);  // false to stop
    void reload();
    void write(const std::vector<std::string>& lines);
    void tellOverflows(Clock::time_point now);
    void releaseAbandonedPorts(Clock::time_point now);

    Lab& m_lab;
    std::vector<std::unique_ptr<LabPort>>& m_ports;
    std::vector<ModuleLine> m_lines;
    std::vector<short> m_watching;  // what each terminal is watched for; 0: not at all
    Readiness m_readiness;
    ControlSignals& m_signals;
    RequestLog& m_log;
    std::function<LabRead()> m_reread;
    Clock::time_point m_nextAbandonCheck{};
    std::size_t m_nextAbandonLook = 0;
};

// qz470-sim --lab: reads the file, publishes every module and serves them until a stop signal.
// The exit status: 0 after a stop signal, 1 when a terminal or alias fails, 2 for a bad file.
int runLab(const Options& options, RequestLog& log);

}  // namespace sim
