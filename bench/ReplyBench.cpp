// Figure 4: reply to screen. The real window with its real timer, against a pty: from the
// last byte of a 369-byte route list reply to the route window filled and painted. The
// silence rule waits for the fourth tick after the last byte (300 to 400 ms); what the tool
// adds is the rest: cutting, checking, logging, decoding, filling and painting.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <vector>

#include "CDialog_Mesh.h"
#include "CMeshcfgApp.h"
#include "CMeshcfgDlg.h"
#include "ReplyFrames.h"
#include "ShortRun.h"
#include "Stats.h"
#include "Table.h"
#include "WindowBench.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kReplies = 20;
constexpr int kShortReplies = 3;
constexpr int kRoutes = 12;
constexpr auto kReplyLimit = std::chrono::milliseconds(3000);

double ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// A route list of twelve routes among the forty entries.
std::vector<std::uint8_t> twelveRoutes() {
    std::vector<RouteSlot> entries;
    for (int i = 0; i < kRoutes; ++i)
        entries.push_back(
            {static_cast<std::uint16_t>(100 + i), static_cast<std::uint16_t>(2 + i % 4)});
    return routeListReply(1, entries);
}

struct Tick {
    Clock::time_point start;
    Clock::time_point end;
};

// The real window; only the start and end of the tick that handled a block are noted, from
// outside its code.
class TimedDlg : public app::CMeshcfgDlg {
  public:
    void expectReply() { m_delivery.reset(); }
    const std::optional<Tick>& delivery() const { return m_delivery; }

  protected:
    void OnTimer() override {
        const Clock::time_point start = Clock::now();
        const int lines = logLines();
        app::CMeshcfgDlg::OnTimer();
        if (!m_delivery && logLines() != lines) m_delivery = Tick{start, Clock::now()};
    }

  private:
    int logLines() { return static_cast<int>(log().lines().size()); }

    std::optional<Tick> m_delivery;
};

// Quits the loop once the route window has painted after the delivering tick; the time is
// taken when that paint has been handled in full.
class PaintWatch : public QObject {
  public:
    PaintWatch(TimedDlg& dlg, QEventLoop& loop) : m_dlg(dlg), m_loop(loop) {}
    void expectReply() {
        m_painted.reset();
        m_queued = false;
    }
    const std::optional<Clock::time_point>& painted() const { return m_painted; }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_queued && m_dlg.delivery() && m_dlg.meshDialog() &&
            watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == m_dlg.meshDialog()) {
            m_queued = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_painted = Clock::now();
                    m_loop.quit();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

  private:
    TimedDlg& m_dlg;
    QEventLoop& m_loop;
    std::optional<Clock::time_point> m_painted;
    bool m_queued = false;
};

struct Sample {
    double silence = 0;  // last byte to the delivering tick
    double added = 0;    // the tick's work and the paint after it
    double total = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int replies = takeShortRun(argc, argv) ? kShortReplies : kReplies;
    app::CMeshcfgApp app(argc, argv);
    PortLine line;
    TimedDlg dlg;
    dlg.show();
    if (!openAliasPort(dlg)) {
        std::fprintf(stderr, "bench_reply: COM%d did not open\n", kAliasPort);
        return 1;
    }
    QEventLoop loop;
    PaintWatch watch(dlg, loop);
    app.installEventFilter(&watch);
    const std::vector<std::uint8_t> reply = twelveRoutes();
    std::mt19937 random(8);
    std::uniform_int_distribution<int> phase(0, 100);

    std::vector<Sample> samples;
    for (int i = 0; i < replies; ++i) {
        // Every phase of the 100 ms tick against the last byte.
        runEventLoopFor(std::chrono::milliseconds(200 + phase(random)));
        dlg.expectReply();
        watch.expectReply();
        if (!line.pty().writeMaster(reply)) return 1;
        const Clock::time_point lastByte = Clock::now();
        if (!runEventLoop(loop, kReplyLimit) || !dlg.delivery() || !watch.painted()) {
            std::fprintf(stderr, "bench_reply: reply %d never reached the route window\n", i);
            return 1;
        }
        const Tick tick = *dlg.delivery();
        samples.push_back({ms(tick.start - lastByte), ms(*watch.painted() - tick.start),
                           ms(*watch.painted() - lastByte)});
    }

    std::vector<double> silence, added, total;
    for (const Sample& s : samples) {
        silence.push_back(s.silence);
        added.push_back(s.added);
        total.push_back(s.total);
        std::fprintf(stderr, "reply: silence %.1f ms, added %.1f ms\n", s.silence, s.added);
    }
    const double totalP50 = percentile(total, 50);
    const double silenceP50 = percentile(silence, 50);
    printRow({"4 reply to screen, 369 B route list, p50 (ms)", fixed(totalP50),
              fixed(silenceP50) + " silence", times(totalP50 / silenceP50), "silence 300-400",
              "-"});
    printRow({"4 added by the tool after the silence, p50 / max (ms)",
              fixed(percentile(added, 50)) + " / " + fixed(percentile(added, 100)),
              fixed(percentile(silence, 0)) + ".." + fixed(percentile(silence, 100)) + " silence",
              "-", "-", "-"});
    return 0;
}
