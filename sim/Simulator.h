#pragma once
// The simulator's event loop: reads requests from the terminal, answers them through the
// module model, and writes the replies as the line pacer releases them. Idle, it sleeps in
// poll() until a byte, a paced reply, a notice or a signal is due.

#include <chrono>

#include "Cable.h"
#include "ControlSignals.h"
#include "Faults.h"
#include "ModuleLine.h"
#include "ModuleModel.h"
#include "Options.h"
#include "RequestLog.h"

namespace sim {

class Simulator {
  public:
    Simulator(Cable& cable, ControlSignals& signals, ModuleModel& model, const Options& options,
              RequestLog& log);

    // Serves the line until a stop signal; pulls and plugs the cable as the signals say.
    // Throws std::runtime_error when the terminal fails.
    void run();

  private:
    using Clock = ModuleLine::Clock;

    int pollTimeout(Clock::time_point now) const;
    void handle(const std::vector<Heard>& heard);
    void sendNotice(Clock::time_point now);
    void queueNotice(Clock::time_point due);
    void tellOverflows(Clock::time_point now);
    void releaseAbandonedPort(Clock::time_point now);
    bool obey(Control control);  // false to stop
    void pullCable();

    Cable& m_cable;
    ControlSignals& m_signals;
    ModuleModel& m_model;
    RequestLog& m_log;
    ModuleLine m_line;
    unsigned m_baud;  // the line's, whatever the module's setup says
    FaultInjector m_faults;
    std::chrono::seconds m_noticeEvery;
    bool m_noticeBeforeReply;
    Clock::time_point m_nextNotice{};
    Clock::time_point m_nextAbandonCheck{};
};

}  // namespace sim
