#include "PortWatch.h"

namespace {

// Twice a second: a replugged adapter is back before the user looks, and a check is a few
// system calls.
constexpr int kCheckEveryMs = 500;

}  // namespace

PortWatch::PortWatch(OnReturn onReturn) : m_onReturn(std::move(onReturn)) {
    m_timer.setInterval(kCheckEveryMs);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { check(); });
}

void PortWatch::start(int port, std::optional<UsbIdentity> adapter) {
    const bool isUsb = adapter.has_value();
    m_lost.emplace(port, std::move(adapter));
    m_timer.start();
    // Only an adapter announces its return; an alias or a pseudo-terminal is found by the timer.
    if (!isUsb) return;
    m_hotplug = std::make_unique<TtyHotplugMonitor>();
    if (m_hotplug->fd() < 0) return;
    m_hotplugNotifier = std::make_unique<QSocketNotifier>(m_hotplug->fd(), QSocketNotifier::Read);
    QObject::connect(m_hotplugNotifier.get(), &QSocketNotifier::activated, [this] { onHotplug(); });
}

void PortWatch::stop() {
    m_timer.stop();
    m_hotplugNotifier.reset();
    m_hotplug.reset();
    m_lost.reset();
}

void PortWatch::onHotplug() {
    if (!m_lost || !m_hotplug || !m_hotplug->takeAddOrRemoveEvents()) return;
    m_lost->hotplugSeen();
    check();
}

void PortWatch::check() {
    if (!m_lost) return;
    if (const auto port = m_lost->returnedPort()) m_onReturn(*port);
}
