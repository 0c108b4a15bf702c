#pragma once
// After a hang-up, has the engine look for the lost port's device twice a second, and at once
// when udev reports a tty added or removed, until the device is back or the watch is ended.

#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "ModuleEngine.h"

namespace app {

class LostPortWatch {
  public:
    explicit LostPortWatch(engine::ModuleEngine& engine);

    void start();  // at the hang-up, once the engine watches
    void stop();

  private:
    engine::ModuleEngine& m_engine;
    QTimer m_timer;
    std::unique_ptr<QSocketNotifier> m_hotplugNotifier;
};

}  // namespace app
