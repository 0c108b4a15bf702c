#include "TickTimer.h"

#include <QTimerEvent>

#include "Ticks.h"

namespace app {

namespace {
constexpr int kPeriodMs = static_cast<int>(proto::kTickPeriod.count());
}  // namespace

TickTimer::TickTimer(std::function<void()> onTick, std::function<bool()> hasWork)
    : m_onTick(std::move(onTick)), m_hasWork(std::move(hasWork)) {}

void TickTimer::start() {
    m_grid.start();
    m_timer.start(kPeriodMs, Qt::PreciseTimer, this);
}

void TickTimer::wake() {
    if (m_stopped || m_timer.isActive()) return;
    const int toNextTick = kPeriodMs - int(m_grid.elapsed() % kPeriodMs);
    m_joiningGrid = true;
    m_timer.start(toNextTick, Qt::PreciseTimer, this);
}

void TickTimer::stopForGood() {
    m_stopped = true;
    m_timer.stop();
}

void TickTimer::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId()) return QObject::timerEvent(event);
    if (m_joiningGrid) {
        m_joiningGrid = false;
        m_timer.start(kPeriodMs, Qt::PreciseTimer, this);
    }
    m_onTick();
    if (!m_hasWork()) m_timer.stop();
}

}  // namespace app
