#include "ServiceManager.h"

#include <systemd/sd-daemon.h>

#include <cstdio>

namespace watch {

void ServiceManager::ready() {
    sd_notify(0, "READY=1");
}

void ServiceManager::reloading() {
    sd_notify(0, "RELOADING=1");
}

void ServiceManager::stopping() {
    sd_notify(0, "STOPPING=1");
}

std::optional<std::chrono::microseconds> ServiceManager::watchdogPeriod() const {
    std::uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) <= 0 || usec == 0) return std::nullopt;
    // Twice within the time the manager allows, as it recommends.
    return std::chrono::microseconds(usec / 2);
}

void ServiceManager::pingWatchdog() {
    sd_notify(0, "WATCHDOG=1");
}

void ServiceManager::changed(const std::shared_ptr<const WatchState>& state) {
    if (state->surveys == m_surveysTold) return;
    m_surveysTold = state->surveys;
    std::size_t up = 0;
    for (const auto& [node, nodeState] : state->nodes) up += nodeState.up ? 1 : 0;
    std::size_t open = 0;
    for (const auto& [port, portState] : state->ports) open += portState.open ? 1 : 0;
    sd_notifyf(0, "STATUS=%zu nodes up, %zu down; %zu of %zu ports open; survey %.2f s", up,
               state->nodes.size() - up, open, state->ports.size(), state->surveyDuration.count());
}

}  // namespace watch
