#include "ReopenMemory.h"

#include "PortNames.h"

namespace engine {

void ReopenMemory::opened(const PortSettings& settings) {
    m_settings = settings;
    m_wasSending = false;
    const auto device = devicePathForPort(settings.port);
    m_adapter = device ? usbIdentity(*device) : std::nullopt;
}

void ReopenMemory::lost(bool wasSending) {
    if (!m_settings) return;
    m_wasSending = wasSending;
    m_lost.emplace(m_settings->port, m_adapter);
    if (m_adapter) m_hotplug = std::make_unique<TtyHotplugMonitor>();
}

void ReopenMemory::stopWatching() {
    m_lost.reset();
    m_hotplug.reset();
}

std::optional<int> ReopenMemory::returnedPort() {
    return m_lost ? m_lost->returnedPort() : std::nullopt;
}

int ReopenMemory::hotplugFd() const {
    return m_hotplug ? m_hotplug->fd() : -1;
}

bool ReopenMemory::takeHotplugAdded() {
    return m_hotplug && m_hotplug->takeAddedEvents();
}

}  // namespace engine
