#pragma once
// The window's tick: every kTickPeriod while the engine has work, asleep otherwise, so an idle
// window costs nothing. A woken timer keeps the phase of one that never slept: the ticks fall
// on multiples of the period from start-up, so a block is still cut 300 to 400 ms after its
// last byte, not always 400. Tests that drive the ticks themselves stop it for good.

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>
#include <functional>

namespace app {

class TickTimer : public QObject {
  public:
    TickTimer(std::function<void()> onTick, std::function<bool()> hasWork);

    void start();
    void wake();
    void stopForGood();
    bool isActive() const { return m_timer.isActive(); }

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    const std::function<void()> m_onTick;
    const std::function<bool()> m_hasWork;
    QBasicTimer m_timer;
    QElapsedTimer m_grid;
    bool m_joiningGrid = false;  // the timer runs a shorter first interval to the grid
    bool m_stopped = false;
};

}  // namespace app
