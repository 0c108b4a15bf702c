#include "ReopenMemory.h"

#include <utility>

namespace engine {

void ReopenMemory::opened(const PortSettings& settings, const ports::PortTarget& target) {
    m_settings = settings;
    m_wasSending = false;
    m_address = target.address();
    m_adapter = target.path.empty() ? std::nullopt : ports::usbIdentity(target.path);
}

void ReopenMemory::connected(const PortSettings& settings, const ports::NetworkAddress& address) {
    m_settings = settings;
    m_wasSending = false;
    m_address = address;
    m_adapter.reset();
}

void ReopenMemory::forget() {
    m_settings.reset();
    m_address.reset();
    m_adapter.reset();
    m_wasSending = false;
}

void ReopenMemory::lost(bool wasSending) {
    if (!m_settings) return;
    m_wasSending = wasSending;
    m_foundInUse = false;
    m_closedByServer = false;
    m_lost.emplace(m_settings->port, m_adapter);
    if (m_adapter) m_hotplug = std::make_unique<ports::TtyHotplugMonitor>();
}

void ReopenMemory::stopWatching() {
    m_lost.reset();
    m_hotplug.reset();
}

std::optional<int> ReopenMemory::returnedPort() {
    return m_lost ? m_lost->returnedPort() : std::nullopt;
}

bool ReopenMemory::firstFoundInUse() {
    return !std::exchange(m_foundInUse, true);
}

bool ReopenMemory::firstClosedByServer() {
    return !std::exchange(m_closedByServer, true);
}

int ReopenMemory::hotplugFd() const {
    return m_hotplug ? m_hotplug->fd() : -1;
}

bool ReopenMemory::takeHotplugNews() {
    if (!m_lost || !m_hotplug || !m_hotplug->takeAddOrRemoveEvents()) return false;
    m_lost->hotplugSeen();
    return true;
}

}  // namespace engine
