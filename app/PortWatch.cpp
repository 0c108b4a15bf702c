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

void PortWatch::start(int port) {
    m_lost.emplace(port);
    m_timer.start();
}

void PortWatch::stop() {
    m_timer.stop();
    m_lost.reset();
}

void PortWatch::check() {
    if (!m_lost) return;
    if (const auto port = m_lost->returnedPort()) m_onReturn(*port);
}
