#pragma once
// After a hang-up, looks for the lost port's device twice a second until it returns or the
// watch is ended, and hands the port to open back to the window.

#include <QTimer>
#include <functional>
#include <optional>

#include "LostPort.h"

class PortWatch {
  public:
    using OnReturn = std::function<void(int port)>;
    explicit PortWatch(OnReturn onReturn);

    void start(int port);  // at the hang-up
    void stop();
    bool isWatching() const { return m_lost.has_value(); }

  private:
    void check();

    OnReturn m_onReturn;
    std::optional<LostPort> m_lost;
    QTimer m_timer;
};
