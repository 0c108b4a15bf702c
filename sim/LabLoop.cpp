#include "LabLoop.h"

#include <poll.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <random>

#include "SetupNames.h"
#include "SystemError.h"

namespace sim {

namespace {

constexpr auto kAbandonCheckEvery = std::chrono::milliseconds(500);
constexpr int kBadFile = 2;
constexpr int kFailed = 1;

// The module's UART rate; a code outside the list leaves the line as it was.
void paceAsSetUp(ModuleLine& line, const proto::Setup& setup) {
    if (setup.uartRateCode < proto::kUartBaudRates.size())
        line.setBaud(static_cast<unsigned>(proto::kUartBaudRates[setup.uartRateCode]));
}

timespec timeUntil(Lab::Clock::time_point now, Lab::Clock::time_point due) {
    const auto wait = std::chrono::nanoseconds(std::max(due - now, Lab::Clock::duration{}));
    const auto seconds = std::chrono::floor<std::chrono::seconds>(wait);
    return {static_cast<time_t>(seconds.count()), static_cast<long>((wait - seconds).count())};
}

// Modules with a COM of their own first, so that none of them finds its alias taken by one
// that takes the next free.
std::vector<std::unique_ptr<LabPort>> publishPorts(const Lab& lab, int firstPort) {
    std::vector<std::unique_ptr<LabPort>> ports(lab.size());
    for (const bool given : {true, false}) {
        for (std::size_t module = 0; module < lab.size(); ++module) {
            const LabNode& node = lab.node(module);
            if (node.com.has_value() != given) continue;
            ports[module] = node.com
                                ? std::make_unique<LabPort>(aliasDirectory(), *node.com, *node.com)
                                : std::make_unique<LabPort>(aliasDirectory(), firstPort, kLastPort);
        }
    }
    return ports;
}

}  // namespace

LabLoop::LabLoop(Lab& lab, std::vector<std::unique_ptr<LabPort>>& ports, ControlSignals& signals,
                 RequestLog& log, const LineTiming& timing, std::function<LabRead()> reread)
    : m_lab(lab),
      m_ports(ports),
      m_lines(lab.size(), ModuleLine(timing)),
      m_signals(signals),
      m_log(log),
      m_reread(std::move(reread)) {
    for (std::size_t module = 0; module < lab.size(); ++module)
        paceAsSetUp(m_lines[module], lab.setup(module));
}

void LabLoop::run() {
    syncPorts(true);
    std::printf("qz470-sim: lab of %zu modules ready\n", m_lab.size());
    std::fflush(stdout);
    std::vector<pollfd> fds;
    std::vector<std::size_t> owners;  // the module of each terminal in fds, after the signals
    for (;;) {
        fds.assign(1, {m_signals.fd(), POLLIN, 0});
        owners.clear();
        for (std::size_t module = 0; module < m_lab.size(); ++module) {
            if (m_ports[module]->line() < 0) continue;
            fds.push_back({m_ports[module]->line(), m_lines[module].pollEvents(), 0});
            owners.push_back(module);
        }
        const auto wake = nextWake();
        const timespec timeout = wake ? timeUntil(Clock::now(), *wake) : timespec{};
        if (::ppoll(fds.data(), fds.size(), wake ? &timeout : nullptr, nullptr) < 0) {
            if (errno == EINTR) continue;
            throw systemFailure("poll");
        }
        if (fds[0].revents != 0) {
            for (const Control control : m_signals.take())
                if (!obey(control)) return;
            continue;
        }
        const auto now = Clock::now();
        for (std::size_t k = 0; k < owners.size(); ++k) {
            const short events = fds[k + 1].revents;
            const std::size_t module = owners[k];
            // A terminal cannot hang up while its slave side is held; if it fails, stop rather
            // than spin on the event.
            if ((events & (POLLERR | POLLHUP | POLLNVAL)) != 0)
                throw std::runtime_error("the terminal of COM" +
                                         std::to_string(m_ports[module]->com()) + " failed");
            if ((events & POLLOUT) != 0) m_lines[module].writable();
            if ((events & POLLIN) != 0)
                hear(module, m_lines[module].read(m_ports[module]->line(), now), now);
        }
        for (const std::size_t module : owners) hear(module, m_lines[module].takeStale(now), now);
        std::vector<std::string> lines;
        for (Lab::Said& said : m_lab.takeDue(now, lines))
            m_lines[said.module].say(said.at, said.bytes);
        write(lines);
        for (const std::size_t module : owners) m_lines[module].write(m_ports[module]->line(), now);
        releaseAbandonedPorts(now);
    }
}

std::optional<LabLoop::Clock::time_point> LabLoop::nextWake() const {
    std::optional<Clock::time_point> wake = m_nextAbandonCheck;
    const auto consider = [&](std::optional<Clock::time_point> due) {
        if (due && *due < *wake) wake = due;
    };
    consider(m_lab.nextDue());
    for (std::size_t module = 0; module < m_lab.size(); ++module)
        if (m_ports[module]->line() >= 0) consider(m_lines[module].nextWake());
    return wake;
}

void LabLoop::hear(std::size_t module, const std::vector<Received>& received,
                   Clock::time_point now) {
    for (const Received& item : received) {
        m_log.write(m_lab.hear(module, item, m_lines[module].heard(now, item.bytes.size())));
        paceAsSetUp(m_lines[module], m_lab.setup(module));
    }
}

bool LabLoop::obey(Control control) {
    std::vector<std::string> lines;
    switch (control) {
        case Control::kStop:
            return false;
        case Control::kReload:
            reload();
            break;
        case Control::kPullCable:
        case Control::kPlugCable:
            m_lab.plugAll(control == Control::kPlugCable, lines);
            break;
    }
    write(lines);
    syncPorts(false);
    return true;
}

// A file that no longer reads leaves the lab as it was.
void LabLoop::reload() {
    const LabRead read = m_reread();
    std::vector<std::string> lines;
    const std::optional<std::string> refused =
        read.plan ? m_lab.reload(*read.plan, lines) : read.error;
    if (refused) {
        std::cerr << "qz470-sim: " << *refused << "; the lab runs on as it was" << std::endl;
        m_log.write("reload refused: " + *refused);
        return;
    }
    write(lines);
}

// Each module's terminal as its power and cable say; a port that changes is announced.
void LabLoop::syncPorts(bool announceAll) {
    for (std::size_t module = 0; module < m_lab.size(); ++module) {
        LabPort& port = *m_ports[module];
        const bool had = port.line() >= 0;
        if (m_lab.hasLine(module)) {
            port.plug();
        } else {
            port.unplug(m_lab.node(module).powered ? kUnplugged : kSwitchedOff);
        }
        const bool has = port.line() >= 0;
        // Whatever was on its way in either direction is lost with the terminal.
        if (had != has) m_lines[module].drop();
        if (announceAll || (has && !had)) port.announce(m_lab.setup(module).nodeId);
    }
}

void LabLoop::write(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) m_log.write(line);
}

void LabLoop::releaseAbandonedPorts(Clock::time_point now) {
    if (now < m_nextAbandonCheck) return;
    m_nextAbandonCheck = now + kAbandonCheckEvery;
    for (const auto& port : m_ports)
        if (PseudoTerminal* terminal = port->terminal()) terminal->releaseAbandonedExclusive();
}

int runLab(const Options& options, RequestLog& log) {
    const std::string path = *options.labFile;
    const LabRead read = readLab(path);
    if (!read.plan) {
        std::cerr << "qz470-sim: " << read.error << "\n";
        return kBadFile;
    }
    try {
        ControlSignals signals;
        Lab lab(*read.plan, options.seed.value_or(std::random_device{}()), options.fault);
        auto ports = publishPorts(lab, options.firstPort);
        LabLoop(lab, ports, signals, log, options.timing, [path] { return readLab(path); }).run();
    } catch (const std::runtime_error& error) {
        std::cerr << "qz470-sim: " << error.what() << "\n";
        return kFailed;
    }
    return 0;
}

}  // namespace sim
