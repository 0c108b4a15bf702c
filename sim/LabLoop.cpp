#include "LabLoop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <random>

#include "PseudoTerminal.h"
#include "SetupNames.h"
#include "SystemError.h"

namespace sim {

namespace {

constexpr std::size_t kAbandonChecksAtOnce = 10;
constexpr std::uint64_t kSignals = 0;  // the key of the signals; a module's is its place + 1
constexpr int kBadFile = 2;
constexpr int kFailed = 1;

// The module's UART rate and parity; a rate code outside the list leaves the line as it was.
void paceAsSetUp(ModuleLine& line, const proto::Setup& setup) {
    if (setup.uartRateCode < proto::kUartBaudRates.size())
        line.setRate(static_cast<unsigned>(proto::kUartBaudRates[setup.uartRateCode]),
                     uartParity(setup));
}

// The port the file gives the node. Throws std::runtime_error, saying what to do when the
// alias is taken.
std::unique_ptr<LabPort> filedPort(const LabNode& node) {
    try {
        return std::make_unique<LabPort>(ports::aliasDirectory(), *node.com, *node.com);
    } catch (const AliasTaken& error) {
        throw std::runtime_error("node " + std::to_string(node.id) + ": " + error.what() +
                                 "; give the node another com in the lab file, or free COM" +
                                 std::to_string(*node.com));
    }
}

// Modules with a COM of their own first, so that none of them finds its alias taken by one
// that takes the next free.
std::vector<std::unique_ptr<LabPort>> publishPorts(const Lab& lab, int firstPort) {
    std::vector<std::unique_ptr<LabPort>> ports(lab.size());
    for (const bool given : {true, false}) {
        for (std::size_t module = 0; module < lab.size(); ++module) {
            const LabNode& node = lab.node(module);
            if (node.com.has_value() != given) continue;
            ports[module] = node.com ? filedPort(node)
                                     : std::make_unique<LabPort>(ports::aliasDirectory(), firstPort,
                                                                 ports::kLastPort);
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
      m_watching(lab.size(), 0),
      m_signals(signals),
      m_log(log),
      m_reread(std::move(reread)) {
    for (std::size_t module = 0; module < lab.size(); ++module)
        paceAsSetUp(m_lines[module], lab.setup(module));
}

void LabLoop::run() {
    m_readiness.watch(m_signals.fd(), kSignals, POLLIN);
    syncPorts(true);
    std::printf("qz470-sim: lab of %zu modules ready\n", m_lab.size());
    std::fflush(stdout);
    for (;;) {
        const std::vector<Readiness::Ready> ready = m_readiness.wait(nextWake());
        if (std::any_of(ready.begin(), ready.end(),
                        [](const Readiness::Ready& r) { return r.key == kSignals; })) {
            for (const Control control : m_signals.take()) {
                if (obey(control)) continue;
                tellOverflows(Clock::time_point::max());  // those still under way too
                return;
            }
            continue;
        }
        const auto now = Clock::now();
        for (const Readiness::Ready& r : ready)
            serve(static_cast<std::size_t>(r.key - 1), r.events, now);
        for (std::size_t module = 0; module < m_lab.size(); ++module)
            if (m_ports[module]->line() >= 0) hear(module, m_lines[module].takeStale(now));
        std::vector<std::string> lines;
        for (Lab::Said& said : m_lab.takeDue(now, lines))
            m_lines[said.module].say(said.at, said.bytes);
        write(lines);
        for (std::size_t module = 0; module < m_lab.size(); ++module) {
            const int line = m_ports[module]->line();
            if (line < 0) continue;
            m_lines[module].write(line, now);
            watch(module);
        }
        tellOverflows(now);
        releaseAbandonedPorts(now);
    }
}

void LabLoop::serve(std::size_t module, short events, Clock::time_point now) {
    const int line = m_ports[module]->line();
    // A terminal cannot hang up while its slave side is held; if it fails, stop rather than
    // spin on the event.
    if ((events & (POLLERR | POLLHUP)) != 0)
        throw std::runtime_error("the terminal of COM" + std::to_string(m_ports[module]->com()) +
                                 " failed");
    if ((events & POLLOUT) != 0) m_lines[module].writable();
    if ((events & POLLIN) != 0) hear(module, m_lines[module].read(line, now));
}

// The terminal is watched for what its line waits for now.
void LabLoop::watch(std::size_t module) {
    const short events = m_lines[module].pollEvents();
    if (m_watching[module] == events) return;
    m_readiness.watch(m_ports[module]->line(), module + 1, events);
    m_watching[module] = events;
}

std::optional<LabLoop::Clock::time_point> LabLoop::nextWake() const {
    std::optional<Clock::time_point> wake = m_nextAbandonCheck;
    const auto consider = [&](std::optional<Clock::time_point> due) {
        if (due && *due < *wake) wake = due;
    };
    consider(m_lab.nextDue());
    // A module without a terminal has nothing on its line, but may have an overflow to tell.
    for (const ModuleLine& line : m_lines) consider(line.nextWake());
    return wake;
}

void LabLoop::hear(std::size_t module, const std::vector<Heard>& heard) {
    for (const auto& [item, at] : heard) {
        m_log.write(m_lab.hear(module, item, at));
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
        const bool published = port.published();
        if (m_lab.hasLine(module)) {
            port.plug();
        } else {
            if (had) m_readiness.forget(port.line());
            m_watching[module] = 0;
            port.unplug(m_lab.node(module).powered ? kUnplugged : kSwitchedOff);
        }
        const bool has = port.line() >= 0;
        // Whatever was on its way in either direction is lost with the terminal.
        if (had != has) m_lines[module].drop();
        if (has) watch(module);
        if (published && !port.published()) tellAliasLost(module);
        if (announceAll || (has && !had)) port.announce(m_lab.setup(module).nodeId);
    }
}

// One module's alias removed by hand touches that module alone.
void LabLoop::tellAliasLost(std::size_t module) {
    const std::string what = "COM" + std::to_string(m_ports[module]->com()) +
                             " was removed or replaced by someone else: the lab leaves it alone "
                             "and the module runs on without an alias";
    std::cerr << "qz470-sim: node " << m_lab.setup(module).nodeId << ": " << what << std::endl;
    m_log.write(m_lab.tagged(module, what));
}

void LabLoop::write(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) m_log.write(line);
}

void LabLoop::tellOverflows(Clock::time_point now) {
    for (std::size_t module = 0; module < m_lab.size(); ++module)
        for (const std::string& line : m_lines[module].takeOverflows(now, m_ports[module]->com()))
            m_log.write(m_lab.tagged(module, line));
}

// A few ports at a time, in turn: an idle lab of many modules wakes for them, and each look
// costs a system call.
void LabLoop::releaseAbandonedPorts(Clock::time_point now) {
    if (now < m_nextAbandonCheck) return;
    m_nextAbandonCheck = now + PseudoTerminal::kAbandonCheckEvery;
    for (std::size_t k = 0; k < kAbandonChecksAtOnce && k < m_ports.size(); ++k) {
        m_nextAbandonLook = (m_nextAbandonLook + 1) % m_ports.size();
        if (PseudoTerminal* terminal = m_ports[m_nextAbandonLook]->terminal())
            terminal->releaseAbandonedExclusive();
    }
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
        Lab lab(*read.plan, options.seed.value_or(std::random_device{}()), options.fault,
                options.ackLength);
        auto ports = publishPorts(lab, options.firstPort);
        LabLoop(lab, ports, signals, log, options.timing, [path] { return readLab(path); }).run();
    } catch (const std::exception& error) {
        // Caught here, so the aliases are removed on the way out.
        std::cerr << "qz470-sim: " << error.what() << "\n";
        return kFailed;
    }
    return 0;
}

}  // namespace sim
