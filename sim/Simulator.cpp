#include "Simulator.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "PseudoTerminal.h"
#include "SystemError.h"

namespace sim {

namespace {

int millisecondsUntil(LinePacer::Clock::time_point now, LinePacer::Clock::time_point due) {
    if (due <= now) return 0;
    // Rounded up, so the loop does not wake just before the time and spin.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now);
    return static_cast<int>(std::min<std::int64_t>(wait.count(), 60000));
}

}  // namespace

Simulator::Simulator(Cable& cable, ControlSignals& signals, ModuleModel& model,
                     const Options& options, RequestLog& log)
    : m_cable(cable),
      m_signals(signals),
      m_model(model),
      m_log(log),
      m_line(options.timing),
      m_baud(options.timing.baud),
      m_faults(options.fault),
      m_noticeEvery(options.noticeEvery),
      m_noticeBeforeReply(options.noticeBeforeReply) {}

void Simulator::run() {
    m_nextNotice = Clock::now() + m_noticeEvery;
    for (;;) {
        // While the cable is pulled the line is -1, which poll() passes over.
        pollfd fds[] = {{m_signals.fd(), POLLIN, 0}, {m_cable.line(), m_line.pollEvents(), 0}};
        if (::poll(fds, 2, pollTimeout(Clock::now())) < 0) {
            if (errno == EINTR) continue;
            throw systemFailure("poll");
        }
        if (fds[0].revents != 0) {
            for (const Control control : m_signals.take()) {
                if (obey(control)) continue;
                tellOverflows(Clock::time_point::max());  // those still under way too
                return;
            }
            continue;
        }
        // The terminal cannot hang up while its slave side is held; if it fails, stop rather
        // than spin on the event.
        if ((fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            throw std::runtime_error("the terminal failed");
        }
        if ((fds[1].revents & POLLOUT) != 0) m_line.writable();
        const auto now = Clock::now();
        if ((fds[1].revents & POLLIN) != 0) handle(m_line.read(m_cable.line(), now));
        handle(m_line.takeStale(now));
        if (m_noticeEvery.count() > 0 && now >= m_nextNotice) sendNotice(now);
        if (m_cable.line() >= 0) m_line.write(m_cable.line(), now);
        tellOverflows(now);
        releaseAbandonedPort(now);
    }
}

int Simulator::pollTimeout(Clock::time_point now) const {
    int timeout = -1;
    const auto consider = [&](Clock::time_point due) {
        const int wait = millisecondsUntil(now, due);
        timeout = timeout < 0 ? wait : std::min(timeout, wait);
    };
    if (const auto due = m_line.nextWake()) consider(*due);
    if (m_noticeEvery.count() > 0) consider(m_nextNotice);
    consider(m_nextAbandonCheck);
    return timeout;
}

void Simulator::handle(const std::vector<Heard>& heard) {
    for (const auto& [item, at] : heard) {
        Answer answer = m_model.answer(item);
        m_line.setRate(m_baud, uartParity(m_model.setup()));
        if (answer.reply && m_noticeBeforeReply) queueNotice(at + answer.latency);
        if (answer.reply) {
            ShapedReply shaped = m_faults.shape(*answer.reply);
            if (shaped.fault != FaultKind::kNone)
                answer.logLine += " fault=" + std::string(faultName(shaped.fault));
            m_line.say(at + answer.latency, shaped.bytes);
        }
        m_log.write(answer.logLine);
    }
}

bool Simulator::obey(Control control) {
    switch (control) {
        case Control::kStop:
        case Control::kReload:  // a single module has no file to read again
            return false;
        case Control::kPullCable:
            pullCable();
            break;
        case Control::kPlugCable:
            if (m_cable.line() >= 0) break;
            m_cable.plugIn();
            m_cable.announce();
            m_log.write("cable plugged in");
            break;
    }
    return true;
}

// As with a real unplug, whatever was on its way in either direction is lost.
void Simulator::pullCable() {
    if (m_cable.line() < 0) return;
    m_cable.pull();
    m_line.drop();
    m_log.write("cable pulled");
}

void Simulator::sendNotice(Clock::time_point now) {
    m_nextNotice = now + m_noticeEvery;
    if (m_cable.line() < 0) return;
    queueNotice(now);
}

void Simulator::queueNotice(Clock::time_point due) {
    if (const auto notice = m_model.receiveNotice()) {
        m_line.say(due, *notice->reply);
        m_log.write(notice->logLine);
    }
}

void Simulator::tellOverflows(Clock::time_point now) {
    for (const std::string& line : m_line.takeOverflows(now, m_cable.com())) m_log.write(line);
}

void Simulator::releaseAbandonedPort(Clock::time_point now) {
    if (now < m_nextAbandonCheck) return;
    m_nextAbandonCheck = now + PseudoTerminal::kAbandonCheckEvery;
    if (PseudoTerminal* terminal = m_cable.terminal()) terminal->releaseAbandonedExclusive();
}

}  // namespace sim
