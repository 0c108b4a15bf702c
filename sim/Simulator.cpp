#include "Simulator.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "SystemError.h"

namespace sim {

namespace {

// A frame still incomplete after this much silence will not be completed: the tool writes
// each request in one go.
constexpr auto kStaleAfter = std::chrono::milliseconds(200);
constexpr std::size_t kReadChunk = 1024;
// How often a port left exclusive by a killed tool is looked for.
constexpr auto kAbandonCheckEvery = std::chrono::milliseconds(500);

int millisecondsUntil(LinePacer::Clock::time_point now, LinePacer::Clock::time_point due) {
    if (due <= now) return 0;
    // Rounded up, so the loop does not wake just before the time and spin.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now);
    return static_cast<int>(std::min<std::int64_t>(wait.count(), 60000));
}

}  // namespace

Simulator::Simulator(PseudoTerminal& terminal, int stop, ModuleModel& model, const Options& options,
                     RequestLog& log)
    : m_terminal(terminal),
      m_line(terminal.master()),
      m_stop(stop),
      m_model(model),
      m_log(log),
      m_pacer(options.timing),
      m_faults(options.fault),
      m_noticeEvery(options.noticeEvery) {}

void Simulator::run() {
    m_nextNotice = Clock::now() + m_noticeEvery;
    for (;;) {
        pollfd fds[] = {{m_stop, POLLIN, 0},
                        {m_line, static_cast<short>(POLLIN | (m_lineFull ? POLLOUT : 0)), 0}};
        if (::poll(fds, 2, pollTimeout(Clock::now())) < 0) {
            if (errno == EINTR) continue;
            throw systemFailure("poll");
        }
        if (fds[0].revents != 0) return;
        // The terminal cannot hang up while its slave side is held; if it fails, stop rather
        // than spin on the event.
        if ((fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            throw std::runtime_error("the terminal failed");
        }
        if ((fds[1].revents & POLLOUT) != 0) m_lineFull = false;
        const auto now = Clock::now();
        if ((fds[1].revents & POLLIN) != 0) readLine(now);
        if (m_parser.hasPending() && now - m_lastInput >= kStaleAfter) {
            handle(m_parser.flushStale(), now);
        }
        if (m_noticeEvery.count() > 0 && now >= m_nextNotice) sendNotice(now);
        writeDue(now);
        releaseAbandonedPort(now);
    }
}

int Simulator::pollTimeout(Clock::time_point now) const {
    int timeout = -1;
    const auto consider = [&](Clock::time_point due) {
        const int wait = millisecondsUntil(now, due);
        timeout = timeout < 0 ? wait : std::min(timeout, wait);
    };
    if (const auto due = m_pacer.nextDue(); due && !m_lineFull) consider(*due);
    if (m_parser.hasPending()) consider(m_lastInput + kStaleAfter);
    if (m_noticeEvery.count() > 0) consider(m_nextNotice);
    consider(m_nextAbandonCheck);
    return timeout;
}

void Simulator::readLine(Clock::time_point now) {
    std::uint8_t buffer[kReadChunk];
    const ssize_t count = ::read(m_line, buffer, sizeof buffer);
    if (count < 0) {
        if (errno == EAGAIN || errno == EINTR) return;
        throw systemFailure("cannot read the terminal");
    }
    m_lastInput = now;
    handle(m_parser.feed(proto::Bytes(buffer, static_cast<std::size_t>(count))), now);
}

void Simulator::handle(const std::vector<Received>& received, Clock::time_point now) {
    for (const Received& item : received) {
        Answer answer = m_model.answer(item);
        if (answer.reply) {
            ShapedReply shaped = m_faults.shape(*answer.reply);
            if (shaped.fault != FaultKind::kNone)
                answer.logLine += " fault=" + std::string(faultName(shaped.fault));
            m_pacer.push(now + answer.latency, shaped.bytes);
        }
        m_log.write(answer.logLine);
    }
}

void Simulator::sendNotice(Clock::time_point now) {
    m_nextNotice = now + m_noticeEvery;
    if (const auto notice = m_model.receiveNotice()) {
        m_pacer.push(now, *notice->reply);
        m_log.write(notice->logLine);
    }
}

void Simulator::releaseAbandonedPort(Clock::time_point now) {
    if (now < m_nextAbandonCheck) return;
    m_nextAbandonCheck = now + kAbandonCheckEvery;
    m_terminal.releaseAbandonedExclusive();
}

void Simulator::writeDue(Clock::time_point now) {
    if (m_lineFull) return;
    const auto due = m_pacer.takeDue(now);
    if (due.empty()) return;
    const ssize_t written = ::write(m_line, due.data(), due.size());
    if (written < 0 && errno != EAGAIN && errno != EINTR)
        throw systemFailure("cannot write the terminal");
    const std::size_t sent = written < 0 ? 0 : static_cast<std::size_t>(written);
    if (sent < due.size()) {
        m_pacer.putBack(proto::Bytes(due).subspan(sent));
        m_lineFull = true;
    }
}

}  // namespace sim
