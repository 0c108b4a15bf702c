// The delivery test through a long run on a busy mesh: 30 pairs (six modules, each sending to
// the other five) at 20 sends a second each, ten minutes of driven time fed straight into the
// run. Each send's confirmation comes 10-40 ms after it and its data at the target 10-80 ms
// after it, so data often overtakes; 5 % of the data never arrives (half of it confirmed "ok"
// all the same) and one send in a thousand arrives twice. The face's part is played as the
// command line would: every event taken, the summary read once a second for the live table.
//
// CPU per send beside the same sends and frames made up without a run to match them, and
// resident memory at the end beside after the first minute (goal: flat).
//
//   bench_delivery [--short]     ten minutes of driven time, or one

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <queue>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "DeliveryRun.h"
#include "ProcStat.h"
#include "SendNames.h"
#include "ShortRun.h"
#include "Table.h"

namespace {

using delivery::Clock;
using std::chrono::milliseconds;

constexpr std::size_t kModules = 6;
constexpr int kSendsPerPairPerSecond = 20;
constexpr int kMinutes = 10;
constexpr int kShortMinutes = 1;
constexpr std::size_t kMostGrowthBytes = 256 * 1024;  // well under a byte per send

// A frame one of the modules writes to its port: a send's confirmation, or a notice.
struct Due {
    Clock::time_point at{};
    std::size_t port = 0;
    int number = 0;  // the confirmation's send, by its sender's number
    std::uint8_t status = proto::kStatusOk;
    proto::Frame notice{};  // empty for a confirmation
    bool operator>(const Due& other) const { return at > other.at; }
};

// The modules and the radio between them, made up.
class MadeUpMesh {
  public:
    void send(const delivery::DeliveryRun::Send& send, Clock::time_point at, int number) {
        const bool arrives = m_percent(m_random) >= 5;
        const bool saysOk = arrives || m_percent(m_random) < 50;
        m_due.push({at + milliseconds(m_confirmMs(m_random)), send.ports.from, number,
                    saysOk ? proto::kStatusOk : proto::kStatusApsNoAck});
        if (!arrives) return;
        const proto::Frame notice = proto::encode(
            proto::ReceiveNotice{proto::NoticeContent{send.request.target, 61, send.request.data}});
        const int copies = m_perMille(m_random) == 0 ? 2 : 1;
        for (int copy = 0; copy < copies; ++copy)
            m_due.push({at + milliseconds(m_arriveMs(m_random)), send.ports.to, 0, 0, notice});
    }

    // Each frame written by now, oldest first.
    template <class Take>
    void takeDue(Clock::time_point now, Take&& take) {
        while (!m_due.empty() && m_due.top().at <= now) {
            take(m_due.top());
            m_due.pop();
        }
    }

  private:
    std::mt19937 m_random{5};
    std::uniform_int_distribution<int> m_percent{0, 99};
    std::uniform_int_distribution<int> m_perMille{0, 999};
    std::uniform_int_distribution<int> m_confirmMs{10, 40};
    std::uniform_int_distribution<int> m_arriveMs{10, 80};
    std::priority_queue<Due, std::vector<Due>, std::greater<>> m_due;
};

delivery::Plan busyPlan(int minutes) {
    delivery::Plan plan;
    for (std::size_t module = 0; module < kModules; ++module)
        plan.ports.push_back(
            {"COM" + std::to_string(200 + module), static_cast<std::uint16_t>(module + 1)});
    plan.pairs = delivery::allPairs(kModules);
    plan.request.routeMode = proto::kRouteModeAuto;
    plan.request.jump = 7;
    plan.size = 32;
    // Each sender takes its five targets in turn.
    plan.interval = milliseconds(1000 / kSendsPerPairPerSecond / int(kModules - 1));
    plan.duration = std::chrono::minutes(minutes);
    plan.timeout = milliseconds(2000);
    plan.run = 0x0BE4C401;
    return plan;
}

struct Figures {
    long sends = 0;
    double cpuSeconds = 0;
    std::size_t residentAfterFirstMinute = 0;
    std::size_t residentAtEnd = 0;
    long events = 0;  // so that nothing the face would read is left unread
};

// Drives one run a millisecond at a time; matching off, only the sends and frames are made.
Figures drive(int minutes, bool matching) {
    const Clock::time_point start{std::chrono::hours(1)};
    delivery::DeliveryRun run(busyPlan(minutes), start);
    delivery::Matcher& matcher = run.matcher();
    MadeUpMesh mesh;
    std::map<std::size_t, int> numbers;  // each sender's link test numbers its sends
    Figures figures;
    const auto cpuStart = bench::processCpuTime();
    const int totalMs = minutes * 60 * 1000 + 3000;  // and the last time-outs
    for (int ms = 0; ms <= totalMs; ++ms) {
        const Clock::time_point now = start + milliseconds(ms);
        for (const auto& send : run.due(now)) {
            const int number = ++numbers[send.ports.from];
            if (matching) matcher.sent(send.pair, now, number);
            mesh.send(send, now, number);
            ++figures.sends;
        }
        mesh.takeDue(now, [&](const Due& due) {
            if (!matching) return;
            if (due.notice.empty())
                matcher.confirmed(due.port, due.number, due.status, due.at);
            else
                matcher.noticed(due.port, due.notice, due.at);
        });
        if (!matching) continue;
        matcher.advance(now);
        figures.events += static_cast<long>(matcher.takeEvents().size());
        if (ms % 1000 == 0) figures.events += matcher.summary().pairs.front().sent > 0;
        if (ms == 60 * 1000) figures.residentAfterFirstMinute = bench::residentBytes();
    }
    figures.cpuSeconds = std::chrono::duration<double>(bench::processCpuTime() - cpuStart).count();
    figures.residentAtEnd = bench::residentBytes();
    if (matching && !run.finished(start + milliseconds(totalMs)))
        std::fprintf(stderr, "bench_delivery: the run did not finish\n");
    return figures;
}

double mebibytes(std::size_t bytes) {
    return double(bytes) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int minutes = takeShortRun(argc, argv) ? kShortMinutes : kMinutes;
    const Figures matched = drive(minutes, true);
    const Figures unmatched = drive(minutes, false);
    const double usPerSend = matched.cpuSeconds * 1e6 / double(matched.sends);
    const double baseUsPerSend = unmatched.cpuSeconds * 1e6 / double(unmatched.sends);
    std::fprintf(stderr, "bench_delivery: %ld sends, %ld events and summaries\n", matched.sends,
                 matched.events);
    const std::string span = std::to_string(minutes) + " min";
    printRow({"delivery test, 30 pairs at 20 sends/s for " + span + ": CPU per send (us)",
              fixed(usPerSend, 2), fixed(baseUsPerSend, 2) + " sends made up, unmatched",
              times(usPerSend / baseUsPerSend)});
    const bool flat = matched.residentAtEnd <= matched.residentAfterFirstMinute + kMostGrowthBytes;
    printRow({"delivery test: resident memory after " + span + " (MiB)",
              fixed(mebibytes(matched.residentAtEnd), 2),
              fixed(mebibytes(matched.residentAfterFirstMinute), 2) + " after 1 min",
              times(double(matched.residentAtEnd) / double(matched.residentAfterFirstMinute)),
              "flat (+256 KiB at most)", metText(flat)});
    return 0;
}
