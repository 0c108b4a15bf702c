// Figure 8: the window against a far end that takes no data. The longest stall of the event
// loop while 20 Read requests are pressed, beside one request written on the window thread
// itself, as the window sent them before it had a writer. Then a port across the network,
// served by a real ser2net on loopback: the longest stall while it opens, is lost when the
// server stops, comes back when it starts again, and fails to open on a server that takes no
// line settings and on one that never answers, beside the latter waited for on the window
// thread, as the window opened it before.

#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>

#include "CMeshcfgApp.h"
#include "CMeshcfgDlg.h"
#include "FileDescriptor.h"
#include "PtyPair.h"
#include "QZSerial.h"
#include "Ser2netServer.h"
#include "ShortRun.h"
#include "Table.h"
#include "TempFolder.h"
#include "WindowBench.h"

namespace {

constexpr int kRequests = 20;
constexpr int kShortRequests = 3;
constexpr auto kPressEvery = std::chrono::milliseconds(10);
constexpr auto kWatchAfter = std::chrono::milliseconds(1500);
constexpr double kTargetMs = 20;
constexpr std::uint8_t kReadFrame[] = {0x01, 0x00, 0x02, 0x0D, 0xA5, 0xA5, 0, 0, 0,
                                       0,    0,    0,    0,    0,    0,    0, 0, 0x0E};

// The longest gap between the ticks of a 1 ms timer while work runs in the same loop.
class StallMeter {
  public:
    StallMeter() {
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            m_longestMs = std::max(m_longestMs, double(m_sinceLast.nsecsElapsed()) / 1e6);
            m_sinceLast.restart();
        });
        m_tick.setTimerType(Qt::PreciseTimer);
        m_sinceLast.start();
        m_tick.start(1);
    }
    double longestMs() const { return m_longestMs; }

  private:
    QTimer m_tick;
    QElapsedTimer m_sinceLast;
    double m_longestMs = 0;
};

// One request every kPressEvery, each by the Read button's handler.
double stallWhileRequesting(app::CMeshcfgDlg& dlg, int requests) {
    StallMeter meter;
    for (int i = 0; i < requests; ++i)
        QTimer::singleShot(kPressEvery * (i + 1), &dlg, &app::CMeshcfgDlg::OnRead);
    runEventLoopFor(kPressEvery * requests + kWatchAfter);
    return meter.longestMs();
}

double stallOfOneWriteOnTheWindowThread(app::CMeshcfgDlg& dlg) {
    StallMeter meter;
    QTimer::singleShot(kPressEvery, &dlg, [&dlg] {
        dlg.serial()->Write(kReadFrame, static_cast<unsigned>(std::size(kReadFrame)));
    });
    runEventLoopFor(kPressEvery + std::chrono::seconds(4));
    return meter.longestMs();
}

constexpr int kServedPort = 150;
constexpr int kNoLineControlPort = 151;
constexpr int kSilentPort = 152;
constexpr auto kRemoteLimit = std::chrono::seconds(10);

bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > limit.count()) return false;
        runEventLoopFor(std::chrono::milliseconds(5));
    }
    return true;
}

bool pressOpen(app::CMeshcfgDlg& dlg, int port) {
    auto* list = dlg.item<QComboBox>(res::kIdPortList);
    list->setCurrentIndex(list->findText(QStringLiteral("COM%1 (").arg(port), Qt::MatchStartsWith));
    if (list->currentIndex() < 0) return false;
    dlg.OnOpenClose();
    return true;
}

// A TCP port that takes connections into its backlog and never says a word.
class SilentServer {
  public:
    SilentServer() : m_socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(m_socket.get(), 4) == 0 &&
            ::getsockname(m_socket.get(), reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    int port() const { return m_port; }

  private:
    files::FileDescriptor m_socket;
    int m_port = 0;
};

// Two servers of one terminal, one that sets the line and one that cannot, and a silent one.
class RemoteLines {
  public:
    RemoteLines()
        : m_served(folder("served"), m_terminal.slavePath()),
          m_noLineControl(folder("telnet"), m_terminal.slavePath(),
                          Ser2netServer::Accepter::kTelnetOnly) {}
    bool start() { return m_silent.port() != 0 && m_served.start() && m_noLineControl.start(); }
    Ser2netServer& served() { return m_served; }
    // The ports file of a configuration folder of its own.
    void publish() {
        ::setenv("XDG_CONFIG_HOME", folder("config").c_str(), 1);
        std::ofstream(folder("config/meshcfg") + "/ports.toml")
            << "[ports]\nCOM" << kServedPort << " = \"" << m_served.url() << "\"\nCOM"
            << kNoLineControlPort << " = \"" << m_noLineControl.url() << "\"\nCOM" << kSilentPort
            << " = \"rfc2217://127.0.0.1:" << m_silent.port() << "\"\n";
    }

  private:
    std::string folder(const std::string& name) const {
        const std::filesystem::path path = m_folder.path() / name;
        std::filesystem::create_directories(path);
        return path.string();
    }

    TempFolder m_folder;
    PtyPair m_terminal;
    Ser2netServer m_served;
    Ser2netServer m_noLineControl;
    SilentServer m_silent;
};

// Open, lost, back, closed, then two failed opens; false when a step did not come. The server
// is stopped and started on a thread of its own: waiting for it is not the window's stall.
bool remoteSteps(app::CMeshcfgDlg& dlg, RemoteLines& lines) {
    const auto isOpen = [&dlg] { return dlg.serial()->isOpen(); };
    if (!pressOpen(dlg, kServedPort) || !runUntil(isOpen, kRemoteLimit)) return false;
    auto stopped = std::async(std::launch::async, [&lines] { lines.served().stop(); });
    if (!runUntil([&] { return !isOpen(); }, kRemoteLimit)) return false;
    stopped.get();
    auto started = std::async(std::launch::async, [&lines] { return lines.served().start(); });
    if (!runUntil(isOpen, kRemoteLimit) || !started.get()) return false;
    dlg.OnOpenClose();
    auto* openClose = dlg.item<QWidget>(res::kIdOpenClose);
    for (int port : {kNoLineControlPort, kSilentPort}) {
        if (!pressOpen(dlg, port) ||
            !runUntil([openClose] { return openClose->isEnabled(); }, kRemoteLimit) || isOpen())
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int requests = takeShortRun(argc, argv) ? kShortRequests : kRequests;
    app::CMeshcfgApp app(argc, argv);
    PortLine line;
    RemoteLines remote;
    if (!remote.start()) {
        std::fprintf(stderr, "bench_stall: ser2net did not start\n");
        return 1;
    }
    remote.publish();
    app::CMeshcfgDlg dlg;
    dlg.show();
    runEventLoopFor(std::chrono::seconds(1));
    if (!openAliasPort(dlg)) {
        std::fprintf(stderr, "bench_stall: COM%d did not open\n", kAliasPort);
        return 1;
    }
    // The line stops taking data, as a far end that never reads leaves it.
    ::tcflow(line.pty().slaveFd(), TCOOFF);
    const double queued = stallWhileRequesting(dlg, requests);
    dlg.OnOpenClose();  // Close discards the requests still queued
    if (!openAliasPort(dlg)) return 1;
    ::tcflow(line.pty().slaveFd(), TCOOFF);
    const double direct = stallOfOneWriteOnTheWindowThread(dlg);
    printRow({"8 longest stall, 20 requests, line not read (ms)", fixed(queued),
              fixed(direct) + " write in window", times(queued / direct), "<= 20 ms",
              metText(queued <= kTargetMs)});

    dlg.OnOpenClose();
    StallMeter remoteMeter;
    if (!remoteSteps(dlg, remote)) {
        std::fprintf(stderr,
                     "bench_stall: the port across the network did not open, go and "
                     "come back, or fail\n");
        return 1;
    }
    const double remoteStall = remoteMeter.longestMs();
    StallMeter waitedMeter;
    QTimer::singleShot(kPressEvery, &dlg, [&dlg] {
        dlg.serial()->Open(ports::PortDirectory().target(kSilentPort), 9600, 0);
    });
    runEventLoopFor(kPressEvery + std::chrono::seconds(4));
    const double waited = waitedMeter.longestMs();
    printRow({"8 longest stall, remote port opens, is lost, back, fails twice (ms)",
              fixed(remoteStall), fixed(waited) + " silent server waited in window",
              times(remoteStall / waited), "<= 20 ms", metText(remoteStall <= kTargetMs)});
    return 0;
}
