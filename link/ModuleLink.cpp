#include "ModuleLink.h"

#include <algorithm>

#include "Interrupt.h"
#include "Ticks.h"

namespace {

// How often a wait looks at Ctrl+C; bytes and a hang-up end it at once.
constexpr std::chrono::milliseconds kInterruptPoll{50};
// The writer gives a frame up after its waits; past this, a frame never told written is not.
constexpr auto kWriteGiveUp =
    CXSerial::kWriteTries * CXSerial::kWriteWait + std::chrono::seconds(1);

engine::Receiving receivingFor(ModuleLink::Reading reading) {
    return reading == ModuleLink::Reading::kFrames ? engine::Receiving::Frames
                                                   : engine::Receiving::Blocks;
}

}  // namespace

ModuleLink::ModuleLink(Reading reading)
    : m_reading(reading),
      m_engine(
          *this, [this] { wake(); }, receivingFor(reading)) {}

bool ModuleLink::open(const PortTarget& target, int baud, Parity parity) {
    m_lost = false;
    m_lostReason.clear();
    m_unwritten = 0;
    return m_engine.open(target, baud, parity);
}

void ModuleLink::close() {
    m_engine.close();
}

std::string ModuleLink::lastError() const {
    return m_engine.lastError();
}

CXSerial::LineControl ModuleLink::lineControl() {
    return m_engine.port().lineControl();
}

std::size_t ModuleLink::noiseBytes() {
    return m_engine.port().noiseBytes();
}

std::size_t ModuleLink::unfinishedBytes() {
    return m_engine.port().unfinishedBytes();
}

void ModuleLink::frameSent(proto::Bytes) {
    ++m_unwritten;
}

void ModuleLink::notSent(engine::NotSentReason reason) {
    m_writeFailed = true;
    if (reason == engine::NotSentReason::GivenUp) --m_unwritten;
}

void ModuleLink::frameWritten(Clock::time_point onWire) {
    --m_unwritten;
    m_lastWritten = onWire;
}

void ModuleLink::frameRead(const proto::ReadFrame& frame) {
    // Frames can come faster than they are taken (each notice is a line on a slow terminal): past
    // the port's own bound new notices are let go, and past twice that any frame, so memory stays
    // bounded and a reply still finds room behind the notices.
    constexpr std::size_t kHeldNotices = engine::ReceivingPort::kHeldFrames;
    if (m_frames.size() >= (frame.unsolicited ? kHeldNotices : 2 * kHeldNotices)) return;
    m_frames.push_back(frame);
}

void ModuleLink::blockReceived(proto::Bytes block, std::size_t dropped,
                               Clock::time_point lastArrival) {
    m_blocks.push_back({{block.begin(), block.end()}, dropped, lastArrival});
}

void ModuleLink::lost(int, const std::string& why) {
    m_lost = true;
    m_lostReason = why;
}

// The only call from the port's threads.
void ModuleLink::wake() {
    {
        std::lock_guard lock(m_wakeLock);
        m_woken = true;
    }
    m_wakeUp.notify_one();
}

void ModuleLink::sleepUntil(Clock::time_point until) {
    std::unique_lock lock(m_wakeLock);
    m_wakeUp.wait_until(lock, until, [this] { return m_woken; });
    m_woken = false;
}

// The receive step runs on the tick grid while bytes are pending; a wait that began late
// starts a fresh grid rather than making up the ticks it missed.
void ModuleLink::tickOnTime(Clock::time_point now) {
    if (!m_engine.needsTicks()) {
        m_nextTick = now + proto::kTickPeriod;
        return;
    }
    if (now < m_nextTick) return;
    m_engine.tick();
    m_nextTick += proto::kTickPeriod;
    if (m_nextTick <= now) m_nextTick = now + proto::kTickPeriod;
}

ModuleLink::WaitEnd ModuleLink::pump(Clock::time_point deadline, const std::function<bool()>& ready,
                                     OnInterrupt onInterrupt) {
    for (;;) {
        m_engine.takeNews();
        const auto now = Clock::now();
        tickOnTime(now);
        if (ready()) return WaitEnd::kArrived;
        if (m_lost) return WaitEnd::kLost;
        if (onInterrupt == OnInterrupt::kEnd && interrupted()) return WaitEnd::kInterrupted;
        if (now >= deadline) return WaitEnd::kTimeOut;
        auto until = std::min(deadline, now + kInterruptPoll);
        if (m_engine.needsTicks()) until = std::min(until, m_nextTick);
        sleepUntil(until);
    }
}

std::vector<proto::ReadFrame> ModuleLink::startExchange() {
    m_engine.takeNews();
    std::vector<proto::ReadFrame> earlier(std::make_move_iterator(m_frames.begin()),
                                          std::make_move_iterator(m_frames.end()));
    m_frames.clear();
    return earlier;
}

ModuleLink::WaitEnd ModuleLink::write(proto::Bytes request, Clock::time_point& written) {
    m_engine.takeNews();
    if (m_lost) return WaitEnd::kLost;
    if (!m_engine.isOpen()) return WaitEnd::kTimeOut;
    m_writeFailed = false;
    m_engine.sendFrame(request);
    const WaitEnd end = pump(
        Clock::now() + kWriteGiveUp, [this] { return m_writeFailed || m_unwritten == 0; },
        OnInterrupt::kWait);
    if (end != WaitEnd::kArrived) return end;
    if (m_writeFailed) return WaitEnd::kTimeOut;
    written = m_lastWritten;
    return end;
}

ModuleLink::WaitEnd ModuleLink::awaitFrame(Clock::time_point deadline, proto::ReadFrame& frame) {
    const WaitEnd end =
        pump(deadline, [this] { return !m_frames.empty() || m_frameWaitCut.exchange(false); });
    if (end != WaitEnd::kArrived) return end;
    if (m_frames.empty()) return WaitEnd::kTimeOut;
    // Under a flood a frame is always waiting: one that came after the deadline ends the wait.
    if (m_frames.front().arrived > deadline) return WaitEnd::kTimeOut;
    frame = std::move(m_frames.front());
    m_frames.pop_front();
    return end;
}

void ModuleLink::cutFrameWait() {
    m_frameWaitCut = true;
    wake();
}

ModuleLink::WaitEnd ModuleLink::awaitBlock(Clock::time_point deadline, Block& block) {
    for (;;) {
        const WaitEnd end = pump(deadline, [this] { return !m_blocks.empty(); });
        if (end == WaitEnd::kArrived) {
            block = std::move(m_blocks.front());
            m_blocks.pop_front();
            return end;
        }
        // A pending block ends within kReplySilence once no byte can come.
        const bool pending = m_engine.needsTicks();
        if (end == WaitEnd::kTimeOut || !pending) return end;
        if (end == WaitEnd::kInterrupted) m_engine.close();
        const WaitEnd drained =
            pump(deadline, [&] { return !m_blocks.empty() || !m_engine.needsTicks(); });
        if (drained == WaitEnd::kTimeOut) return drained;
        if (m_blocks.empty()) return end;
    }
}
