#include "ModuleLink.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>

#include "Interrupt.h"
#include "Ticks.h"

namespace modlink {

namespace {

// The writer gives a frame up after its waits; past this, a frame never told written is not.
constexpr auto kWriteGiveUp =
    serial::CXSerial::kWriteTries * serial::CXSerial::kWriteWait + std::chrono::seconds(1);

engine::Receiving receivingFor(ModuleLink::Reading reading) {
    return reading == ModuleLink::Reading::kFrames ? engine::Receiving::Frames
                                                   : engine::Receiving::Blocks;
}

files::FileDescriptor madeWakeFd() {
    files::FileDescriptor fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!fd) throw std::system_error(errno, std::generic_category(), "eventfd");
    return fd;
}

timespec linkSleepFor(ModuleLink::Clock::time_point until, ModuleLink::Clock::time_point now) {
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::max(until - now, ModuleLink::Clock::duration::zero()));
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    return {static_cast<time_t>(seconds.count()), static_cast<long>((left - seconds).count())};
}

}  // namespace

ModuleLink::ModuleLink(Reading reading)
    : m_reading(reading),
      m_wakeFd(madeWakeFd()),
      m_engine(
          *this, [this] { wake(); }, receivingFor(reading)) {}

bool ModuleLink::open(const ports::PortTarget& target, int baud, proto::Parity parity) {
    m_lost = false;
    m_lostReason.clear();
    return m_engine.open(target, baud, parity);
}

void ModuleLink::close() {
    m_engine.close();
}

std::string ModuleLink::lastError() const {
    return m_engine.lastError();
}

serial::CXSerial::LineControl ModuleLink::lineControl() {
    return m_engine.port().lineControl();
}

std::size_t ModuleLink::noiseBytes() {
    return m_engine.port().noiseBytes();
}

std::size_t ModuleLink::unfinishedBytes() {
    return m_engine.port().unfinishedBytes();
}

void ModuleLink::notSent(engine::NotSentReason) {
    m_writeFailed = true;
}

void ModuleLink::frameWritten(Clock::time_point onWire) {
    ++m_framesWritten;
    m_lastWritten = onWire;
}

void ModuleLink::frameRead(const proto::ReadFrame& frame) {
    keep(frame, frame.unsolicited);
}

void ModuleLink::sendAnswered(const engine::LinkTrial::Answer& answer,
                              const proto::ReadFrame& frame) {
    keep(SendAnswer{answer, frame}, false);
}

void ModuleLink::sendUnanswered(int send) {
    keep(SendUnanswered{send}, false);
}

// News can come faster than it is taken (each notice is a line on a slow terminal): past the
// port's own bound new notices are let go, and past twice that any news, so memory stays
// bounded and a confirmation still finds room behind the notices.
void ModuleLink::keep(News news, bool notice) {
    constexpr std::size_t kHeldNotices = engine::ReceivingPort::kHeldFrames;
    if (m_news.size() >= (notice ? kHeldNotices : 2 * kHeldNotices)) return;
    m_news.push_back(std::move(news));
}

// Only the exchange being handed over is still to be waited on.
void ModuleLink::exchangeEnded(int exchange, const engine::ExchangeEnd& end) {
    if (exchange > m_settled) m_ends.insert_or_assign(exchange, end);
}

void ModuleLink::settledUpTo(int exchange) {
    m_settled = std::max(m_settled, exchange);
    m_ends.erase(m_ends.begin(), m_ends.upper_bound(m_settled));
}

void ModuleLink::blockReceived(proto::Bytes block, std::size_t dropped,
                               Clock::time_point lastArrival) {
    m_blocks.push_back({{block.begin(), block.end()}, dropped, lastArrival});
}

void ModuleLink::lost(int, const std::string& why) {
    m_lost = true;
    m_lostReason = why;
}

// The only call from the port's threads, and from another thread cutting a wait short.
void ModuleLink::wake() {
    const std::uint64_t one = 1;
    const auto written = ::write(m_wakeFd.get(), &one, sizeof one);
    static_cast<void>(written);  // a counter already at its top wakes all the same
}

// Nothing but a wake-up, Ctrl+C (when heeded) or the time given ends the sleep: no timer looks
// for Ctrl+C, so a link that waits costs nothing.
void ModuleLink::sleepUntil(Clock::time_point until, OnInterrupt onInterrupt) {
    pollfd watched[2] = {{.fd = m_wakeFd.get(), .events = POLLIN, .revents = 0},
                         {.fd = interruptFd(), .events = POLLIN, .revents = 0}};
    const nfds_t count = onInterrupt == OnInterrupt::kEnd && interruptFd() >= 0 ? 2 : 1;
    const timespec timeout = linkSleepFor(until, Clock::now());
    // A wait with no end in sight sleeps until something wakes it.
    ::ppoll(watched, count, until == Clock::time_point::max() ? nullptr : &timeout, nullptr);
    std::uint64_t wakes = 0;
    const auto taken = ::read(m_wakeFd.get(), &wakes, sizeof wakes);
    static_cast<void>(taken);
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
        auto until = deadline;
        if (m_engine.needsTicks()) until = std::min(until, m_nextTick);
        // Frames mode settles what ran out of time at each look.
        if (const auto due = m_engine.nextDeadline(); due && m_reading == Reading::kFrames)
            until = std::min(until, *due);
        sleepUntil(until, onInterrupt);
    }
}

void ModuleLink::tellNotices(const NoticeHandler& onNotice) {
    for (; !m_news.empty(); m_news.pop_front())
        if (const auto* frame = std::get_if<proto::ReadFrame>(&m_news.front());
            frame && frame->unsolicited)
            onNotice(*frame);
}

engine::ExchangeEnd ModuleLink::exchange(const proto::Request& request, Clock::duration timeout,
                                         const NoticeHandler& onNotice) {
    return await([&] { return m_engine.exchange(request, timeout); }, onNotice);
}

engine::ExchangeEnd ModuleLink::exchange(const engine::RawRequest& request, Clock::duration timeout,
                                         const NoticeHandler& onNotice) {
    return await([&] { return m_engine.exchange(request, timeout); }, onNotice);
}

// One frame is on its way at a time: the next one written is this one.
bool ModuleLink::handAndWrite(const std::function<engine::Handed()>& handOver,
                              engine::Handed& handed) {
    m_writeFailed = false;
    const int before = m_framesWritten;
    handed = handOver();
    pump(
        Clock::now() + kWriteGiveUp,
        [&] {
            return m_writeFailed || m_framesWritten > before || m_ends.contains(handed.exchange);
        },
        OnInterrupt::kWait);
    return m_framesWritten > before;
}

engine::ExchangeEnd ModuleLink::await(const std::function<engine::Handed()>& handOver,
                                      const NoticeHandler& onNotice) {
    m_engine.takeNews();
    tellNotices(onNotice);
    if (m_lost) return {.failure = engine::ExchangeFailure::Lost};
    if (interrupted()) return {.failure = engine::ExchangeFailure::Interrupted};
    engine::Handed handed;
    const bool written = handAndWrite(handOver, handed);
    const WaitEnd end = pump(Clock::time_point::max(), [&] {
        tellNotices(onNotice);
        return m_ends.contains(handed.exchange);
    });
    engine::ExchangeEnd ended;
    if (end == WaitEnd::kArrived) {
        ended = m_ends.at(handed.exchange);
    } else {
        m_engine.forget(handed.exchange);
        ended.failure = end == WaitEnd::kLost ? engine::ExchangeFailure::Lost
                                              : engine::ExchangeFailure::Interrupted;
    }
    settledUpTo(handed.exchange);
    ended.written = ended.written || written;
    return ended;
}

ModuleLink::WaitEnd ModuleLink::post(const proto::SendDataRequest& send, Clock::duration timeout,
                                     Posted& posted) {
    m_engine.takeNews();
    if (m_lost) return WaitEnd::kLost;
    engine::Handed handed;
    const bool written =
        handAndWrite([&] { return m_engine.exchange(proto::Request(send), timeout); }, handed);
    settledUpTo(handed.exchange);
    if (m_lost) return WaitEnd::kLost;
    if (!written) return WaitEnd::kTimeOut;
    posted = {handed.send, m_lastWritten};
    return WaitEnd::kArrived;
}

ModuleLink::WaitEnd ModuleLink::awaitNews(Clock::time_point deadline, News& news) {
    const WaitEnd end =
        pump(deadline, [this] { return !m_news.empty() || m_frameWaitCut.exchange(false); });
    if (end != WaitEnd::kArrived) return end;
    if (m_news.empty()) return WaitEnd::kTimeOut;
    // Under a flood a frame is always waiting: one that came after the deadline ends the wait.
    const auto* frame = std::get_if<proto::ReadFrame>(&m_news.front());
    if (frame && frame->arrived > deadline) return WaitEnd::kTimeOut;
    news = std::move(m_news.front());
    m_news.pop_front();
    return end;
}

ModuleLink::WaitEnd ModuleLink::awaitFrame(Clock::time_point deadline, proto::ReadFrame& frame) {
    for (;;) {
        News news;
        const WaitEnd end = awaitNews(deadline, news);
        if (end != WaitEnd::kArrived) return end;
        if (auto* read = std::get_if<proto::ReadFrame>(&news)) {
            frame = std::move(*read);
            return end;
        }
    }
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

}  // namespace modlink
