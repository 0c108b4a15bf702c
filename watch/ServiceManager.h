#pragma once
// The service manager's side of the watcher (systemd, Type=notify): ready once the ports are
// being watched, reloading while SIGHUP is read, stopping at the end, a status line after each
// survey, and the watchdog's ping while the loop turns. Outside a service each call does nothing.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "WatchSink.h"

namespace watch {

class ServiceManager final : public WatchSink {
  public:
    void ready();
    void reloading();
    void stopping();
    // How often the watchdog wants its ping; nothing when it is not on.
    std::optional<std::chrono::microseconds> watchdogPeriod() const;
    void pingWatchdog();

    void said(const Event&) override {}
    // "6 nodes up, 1 down; 6 of 6 ports open; survey 0.52 s".
    void changed(const std::shared_ptr<const WatchState>& state) override;

  private:
    std::uint64_t m_surveysTold = 0;
};

}  // namespace watch
