// A lab of 100 modules in one qz470-sim. Idle, its CPU beside one module's. Then 200 sends a
// second spread over it, each from one module to the module two hops on along a ring, read back
// as the notices at the targets: each notice's last byte is timed against when the lab's own
// timing says it is due (from the request on the wire at the sender's rate, the hops' latencies,
// the module's reply delay, the notice's line time at the target's rate), beside a lab of two
// modules at 10 sends a second.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "FileDescriptor.h"
#include "LineClock.h"
#include "LineTime.h"
#include "Messages.h"
#include "PortNames.h"
#include "ProcStat.h"
#include "ScopedRuntimeDir.h"
#include "SendNames.h"
#include "ShortRun.h"
#include "SpawnedSimulator.h"
#include "Stats.h"
#include "Table.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kModules = 100;
constexpr int kLabFirstPort = 100;  // 100 aliases from COM100 up
constexpr milliseconds kLatency{20};
constexpr milliseconds kDelay{10};  // the modules' reply delay
constexpr unsigned kBaud = 115200;
constexpr double kIdleTargetMsPerSecond = 1.0;
constexpr double kLatenessTargetMs = 1.0;

// Modules 1 to n at 115200 baud in a ring (a pair for n = 2), every link kLatency long.
std::string ringLab(int modules) {
    std::string text;
    for (int id = 1; id <= modules; ++id)
        text += "[[node]]\nid = " + std::to_string(id) + "\nuart_baud = " + std::to_string(kBaud) +
                "\n";
    const int links = modules > 2 ? modules : 1;
    for (int k = 0; k < links; ++k)
        text += "[[link]]\nnodes = [" + std::to_string(k + 1) + ", " +
                std::to_string((k + 1) % modules + 1) +
                "]\nlink_value = 50\nlatency_ms = " + std::to_string(kLatency.count()) + "\n";
    return text;
}

double msPerSecond(bench::CpuTime cpu, Clock::duration wall) {
    return std::chrono::duration<double, std::milli>(cpu).count() /
           std::chrono::duration<double>(wall).count();
}

double idleCpu(pid_t pid, Clock::duration window) {
    const bench::CpuTime before = bench::processCpuTimeOf(pid);
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(window);
    return msPerSecond(bench::processCpuTimeOf(pid) - before, Clock::now() - start);
}

std::vector<files::FileDescriptor> openPorts(int count) {
    std::vector<files::FileDescriptor> ports;
    for (int k = 0; k < count; ++k) {
        const std::string alias =
            ports::aliasDirectory() + "/COM" + std::to_string(kLabFirstPort + k);
        files::FileDescriptor fd(::open(alias.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        termios settings{};
        if (!fd || ::tcgetattr(fd.get(), &settings) != 0) return {};
        ::cfmakeraw(&settings);
        ::tcsetattr(fd.get(), TCSANOW, &settings);
        ports.push_back(std::move(fd));
    }
    return ports;
}

struct Sends {
    std::vector<double> latenessMs;
    int sent = 0;
    double labCpuMsPerSecond = 0;
};

proto::Frame tagged(int target, std::uint32_t tag) {
    return proto::encode(proto::SendDataRequest{
        .target = static_cast<std::uint16_t>(target),
        .jump = 7,
        .routeMode = proto::kRouteModeAuto,
        .data = {static_cast<std::uint8_t>(tag >> 24), static_cast<std::uint8_t>(tag >> 16),
                 static_cast<std::uint8_t>(tag >> 8), static_cast<std::uint8_t>(tag)}});
}

// Reads what a port holds; every whole notice found is timed against its send's due time.
class NoticeReader {
  public:
    explicit NoticeReader(std::vector<Clock::time_point>& due, std::vector<double>& lateness)
        : m_due(due), m_lateness(lateness) {}

    void read(int fd, std::vector<std::uint8_t>& pending, Clock::time_point now) {
        std::uint8_t buffer[1024];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            pending.insert(pending.end(), buffer, buffer + n);
        while (pending.size() >= proto::kHeaderSize &&
               pending.size() >= proto::frameSize(pending[proto::kLengthOffset])) {
            const std::size_t size = proto::frameSize(pending[proto::kLengthOffset]);
            const auto reply = proto::decodeReply(proto::Bytes(pending).first(size));
            const auto* notice = reply ? std::get_if<proto::ReceiveNotice>(&*reply) : nullptr;
            if (notice && notice->content && notice->content->data.size() == 4) {
                const auto& d = notice->content->data;
                const std::uint32_t tag = std::uint32_t(d[0]) << 24 | std::uint32_t(d[1]) << 16 |
                                          std::uint32_t(d[2]) << 8 | d[3];
                if (tag < m_due.size())
                    m_lateness.push_back(
                        std::chrono::duration<double, std::milli>(now - m_due[tag]).count());
            }
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(size));
        }
    }

  private:
    std::vector<Clock::time_point>& m_due;
    std::vector<double>& m_lateness;
};

// Sends at the given rate for span, each to the module `hops` on, then waits for the last
// notices.
Sends drive(pid_t lab, std::vector<files::FileDescriptor>& ports, double perSecond,
            Clock::duration span, int hops) {
    const int modules = static_cast<int>(ports.size());
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / perSecond));
    const int total = static_cast<int>(span / period);
    const proto::Frame sample = tagged(1, 0);
    const proto::Frame noticeSample = proto::encode(
        proto::ReceiveNotice{proto::NoticeContent{1, 50, std::vector<std::uint8_t>(4)}});
    // From the request on the wire: the hops, the reply delay and the notice's own line time.
    const auto crossing = std::chrono::duration_cast<Clock::duration>(
        hops * kLatency + kDelay + proto::lineTime(noticeSample.size(), kBaud));
    std::vector<proto::LineClock> lines(ports.size(),
                                        proto::LineClock({kBaud, proto::Parity::kNone}));
    Sends sends;
    std::vector<Clock::time_point> due(static_cast<std::size_t>(total));
    std::vector<std::vector<std::uint8_t>> pending(ports.size());
    NoticeReader reader(due, sends.latenessMs);
    std::vector<pollfd> fds;
    for (const files::FileDescriptor& port : ports) fds.push_back({port.get(), POLLIN, 0});
    const bench::CpuTime cpuBefore = bench::processCpuTimeOf(lab);
    const Clock::time_point start = Clock::now();
    const Clock::time_point end =
        start + total * period + lines[0].carries(sample.size()) + crossing + milliseconds(500);
    while (Clock::now() < end && static_cast<int>(sends.latenessMs.size()) < total) {
        const Clock::time_point next = sends.sent < total ? start + sends.sent * period : end;
        const auto wait = std::max(next - Clock::now(), Clock::duration{});
        const timespec timeout{
            0, static_cast<long>(
                   std::min<Clock::duration>(wait, std::chrono::milliseconds(100)).count())};
        ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
        const Clock::time_point now = Clock::now();
        for (std::size_t k = 0; k < fds.size(); ++k)
            if ((fds[k].revents & POLLIN) != 0) reader.read(fds[k].fd, pending[k], now);
        while (sends.sent < total && Clock::now() >= start + sends.sent * period) {
            const int from = sends.sent % modules;
            const proto::Frame request =
                tagged((from + hops) % modules + 1, static_cast<std::uint32_t>(sends.sent));
            const auto port = static_cast<std::size_t>(from);
            if (::write(fds[port].fd, request.data(), request.size()) !=
                static_cast<ssize_t>(request.size()))
                return {};
            due[static_cast<std::size_t>(sends.sent)] =
                lines[port].handOver(Clock::now(), request.size()) + crossing;
            ++sends.sent;
        }
    }
    sends.labCpuMsPerSecond =
        msPerSecond(bench::processCpuTimeOf(lab) - cpuBefore, Clock::now() - start);
    return sends;
}

}  // namespace

int main(int argc, char** argv) {
    const bool shortRun = takeShortRun(argc, argv);
    const Clock::duration idleWindow = shortRun ? milliseconds(300) : milliseconds(10000);
    const Clock::duration sendSpan = shortRun ? milliseconds(500) : milliseconds(10000);
    const ScopedRuntimeDir runtime;

    const SpawnedSimulator single;
    if (single.port() == 0) {
        std::fprintf(stderr, "bench_lab: the single module did not start\n");
        return 1;
    }
    const std::string bigFile = runtime.path() + "/lab100.toml";
    std::ofstream(bigFile) << ringLab(kModules);
    const std::vector<std::string> options{"--com",   std::to_string(kLabFirstPort),
                                           "--delay", std::to_string(kDelay.count()),
                                           "--seed",  "1"};
    auto lab = SpawnedSimulator::lab(bigFile, options);
    if (lab->port() != kLabFirstPort) {
        std::fprintf(stderr, "bench_lab: the lab of %d modules did not start\n", kModules);
        return 1;
    }
    std::this_thread::sleep_for(milliseconds(500));  // settled
    const double oneIdle = idleCpu(single.pid(), idleWindow);
    const double labIdle = idleCpu(lab->pid(), idleWindow);

    std::vector<files::FileDescriptor> ports = openPorts(kModules);
    const Sends busy = drive(lab->pid(), ports, 200, sendSpan, 2);
    ports.clear();

    // The pair takes COM100 and COM101 once the big lab has let them go.
    const std::string pairFile = runtime.path() + "/lab2.toml";
    std::ofstream(pairFile) << ringLab(2);
    lab.reset();
    lab = SpawnedSimulator::lab(pairFile, options);
    ports = openPorts(2);
    if (lab->port() != kLabFirstPort || ports.empty() || busy.sent == 0) {
        std::fprintf(stderr, "bench_lab: a lab did not take its sends\n");
        return 1;
    }
    const Sends calm = drive(lab->pid(), ports, 10, sendSpan, 1);

    const double p99 = percentile(busy.latenessMs, 99);
    const double calmP99 = percentile(calm.latenessMs, 99);
    printRow({"lab of 100 modules: idle CPU (ms/s)", fixed(labIdle, 3),
              fixed(oneIdle, 3) + " one module", times(labIdle / oneIdle), "< 1 ms/s",
              metText(labIdle < kIdleTargetMsPerSecond)});
    printRow({"lab of 100 modules, 200 sends/s: notice lateness p99 (ms)", fixed(p99, 3),
              fixed(calmP99, 3) + " 2 modules, 10 sends/s", times(p99 / calmP99), "<= 1 ms",
              metText(p99 <= kLatenessTargetMs)});
    printRow({"lab of 100 modules, 200 sends/s: notice lateness p50 / max (ms)",
              fixed(percentile(busy.latenessMs, 50), 3) + " / " +
                  fixed(percentile(busy.latenessMs, 100), 3),
              fixed(percentile(calm.latenessMs, 50), 3) + " / " +
                  fixed(percentile(calm.latenessMs, 100), 3) + " 2 modules"});
    printRow(
        {"lab of 100 modules, 200 sends/s: notices arrived",
         std::to_string(busy.latenessMs.size()) + "/" + std::to_string(busy.sent),
         std::to_string(calm.latenessMs.size()) + "/" + std::to_string(calm.sent) + " 2 modules",
         "-", "all", metText(static_cast<int>(busy.latenessMs.size()) == busy.sent)});
    printRow({"lab of 100 modules, 200 sends/s: lab CPU (ms/s)", fixed(busy.labCpuMsPerSecond, 1),
              fixed(calm.labCpuMsPerSecond, 1) + " 2 modules, 10 sends/s"});
    return 0;
}
