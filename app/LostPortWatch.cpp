#include "LostPortWatch.h"

namespace app {

namespace {

// Twice a second: a replugged adapter is back before the user looks, and a look is a few
// system calls.
constexpr int kLookEveryMs = 500;

}  // namespace

LostPortWatch::LostPortWatch(engine::ModuleEngine& engine) : m_engine(engine) {
    m_timer.setInterval(kLookEveryMs);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { m_engine.lookForLostPort(); });
}

void LostPortWatch::start() {
    m_timer.start();
    const int hotplug = m_engine.hotplugFd();
    if (hotplug < 0) return;
    m_hotplugNotifier = std::make_unique<QSocketNotifier>(hotplug, QSocketNotifier::Read);
    QObject::connect(m_hotplugNotifier.get(), &QSocketNotifier::activated,
                     [this] { m_engine.hotplugNews(); });
}

// Stopping may come from the notifier's own signal, when the news it brought opened the port.
void LostPortWatch::stop() {
    m_timer.stop();
    if (!m_hotplugNotifier) return;
    m_hotplugNotifier->setEnabled(false);
    m_hotplugNotifier.release()->deleteLater();
}

}  // namespace app
