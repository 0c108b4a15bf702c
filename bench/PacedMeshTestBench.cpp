// meshcfg-cli mesh test asked for twice the line's rate, beside one at the line's rate, on the
// same lab link: two modules at 9600 baud, one sending to the other over a link that delivers
// 80 % after 20 ms. Each run has a lab of its own with the same seed, so that the n-th send of
// either meets the same luck. A tool that sent faster than the line would pile its sends and the
// modules' notices up and blame the link for the queue; paced to the line, both runs show the
// same delivery and latency, and say the rate they reached. The lab's own latency (the link's,
// the module's reply delay and the notice's line time) stands beside them.
//
//   bench_paced_mesh_test [--short]     300 sends a run, or 40

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "LineTime.h"
#include "Messages.h"
#include "Plan.h"
#include "ScopedRuntimeDir.h"
#include "SendNames.h"
#include "ShortRun.h"
#include "SpawnedSimulator.h"
#include "Table.h"
#include "Tag.h"

namespace {

using std::chrono::milliseconds;

constexpr int kFirstPort = 240;
constexpr proto::LineSettings kLine{9600, proto::Parity::kNone};
constexpr milliseconds kLatency{20};
constexpr milliseconds kDelay{10};  // the modules' reply delay
constexpr double kDelivery = 0.8;
constexpr double kMostPointsApart = 2;
constexpr double kMostMsApart = 5;

std::string pairLab() {
    std::string text;
    for (int id = 1; id <= 2; ++id)
        text += "[[node]]\nid = " + std::to_string(id) +
                "\ncom = " + std::to_string(kFirstPort + id - 1) +
                "\nuart_baud = " + std::to_string(kLine.baud) + "\n";
    return text +
           "[[link]]\nnodes = [1, 2]\nlink_value = 50\ndelivery = " + std::to_string(kDelivery) +
           "\nlatency_ms = " + std::to_string(kLatency.count()) + "\n";
}

// The plan the tool makes for the pair, for the time the line takes for each send.
delivery::Plan pairPlan() {
    delivery::Plan plan;
    plan.ports.resize(2);
    plan.pairs = {{0, 1}};
    plan.request.routeMode = proto::kRouteModeAuto;
    plan.size = delivery::kTagSize;
    plan.line = kLine;
    return plan;
}

double ms(std::chrono::nanoseconds span) {
    return std::chrono::duration<double, std::milli>(span).count();
}

struct Run {
    double deliveredPercent = 0;
    double p50 = 0;
    double p95 = 0;
    double reached = 0;  // sends a second
    double asked = 0;
    std::optional<double> pacedMs;  // said by the tool when it stretched the interval
};

// Runs the test on a lab of its own; nothing when it did not end with its summary.
std::optional<Run> runAt(const std::string& labFile, int intervalMs, int count) {
    const auto lab =
        SpawnedSimulator::lab(labFile, {"--delay", std::to_string(kDelay.count()), "--seed", "1"});
    if (lab->port() != kFirstPort) return std::nullopt;
    const std::string from = "COM" + std::to_string(kFirstPort);
    const std::string to = "COM" + std::to_string(kFirstPort + 1);
    const SpawnedOutput cli = spawnReadingOutput(
        {MESHCFG_CLI_PATH, "-p", from, "-p", to, "--baud", std::to_string(kLine.baud), "mesh",
         "test", "--pairs", from + ":" + to, "--count", std::to_string(count), "--interval",
         std::to_string(intervalMs), "--json"});
    if (cli.pid <= 0) return std::nullopt;
    std::string out;
    char buffer[65536];
    for (ssize_t n; (n = ::read(cli.out, buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<std::size_t>(n));
    ::close(cli.out);
    int status = 0;
    ::waitpid(cli.pid, &status, 0);
    Run run;
    std::optional<nlohmann::json> summary;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json event = nlohmann::json::parse(line, nullptr, false);
        if (event.is_discarded()) continue;
        if (event.value("event", "") == "interval_stretched")
            run.pacedMs = event["paced_ms"].get<double>();
        if (event.contains("summary")) summary = event["summary"]["pairs"][0];
    }
    if (!WIFEXITED(status) || !summary || !(*summary)["latency_ms"].is_object()) {
        std::fprintf(stderr, "bench_paced_mesh_test: --interval %d ended without its summary\n",
                     intervalMs);
        return std::nullopt;
    }
    const nlohmann::json& pair = *summary;
    std::fprintf(stderr, "bench_paced_mesh_test: --interval %d: %s\n", intervalMs,
                 pair.dump().c_str());
    const int known = pair["sent"].get<int>();
    run.deliveredPercent = known > 0 ? 100.0 * pair["delivered"].get<int>() / known : 0;
    run.p50 = pair["latency_ms"]["p50"].get<double>();
    run.p95 = pair["latency_ms"]["p95"].get<double>();
    run.asked = pair["sends_per_s"]["asked"].get<double>();
    run.reached = pair["sends_per_s"]["reached"].is_number()
                      ? pair["sends_per_s"]["reached"].get<double>()
                      : 0;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = takeShortRun(argc, argv) ? 40 : 300;
    const ScopedRuntimeDir runtime;
    const std::string file = runtime.path() + "/pair.toml";
    std::ofstream(file) << pairLab();

    const double lineMs = ms(delivery::busiestLineTime(pairPlan()));
    const int atLine = static_cast<int>(std::ceil(lineMs));
    const int twice = static_cast<int>(lineMs / 2);
    const std::optional<Run> fast = runAt(file, twice, count);
    const std::optional<Run> paced = runAt(file, atLine, count);
    if (!fast || !paced) return 1;

    proto::SendDataRequest request = pairPlan().request;
    request.data.resize(delivery::kTagSize);
    const proto::Frame notice =
        proto::encode(proto::ReceiveNotice{proto::NoticeContent{1, 50, request.data}});
    const double labMs = ms(kLatency + kDelay + proto::lineTime(notice.size(), kLine.baud));

    const std::string what = "mesh test at twice the line's rate (--interval " +
                             std::to_string(twice) + ", 9600 baud, a link delivering 80%)";
    const std::string atLineText =
        " at the line's rate (--interval " + std::to_string(atLine) + ")";
    printRow({what + ": interval kept (ms)", fast->pacedMs ? fixed(*fast->pacedMs) : "not said",
              paced->pacedMs ? fixed(*paced->pacedMs) : "as asked" + atLineText, "-",
              "stretched to " + fixed(lineMs), metText(fast->pacedMs && !paced->pacedMs)});
    printRow({what + ": sends/s reached", fixed(fast->reached) + " of " + fixed(fast->asked),
              fixed(paced->reached) + " of " + fixed(paced->asked) + atLineText,
              times(fast->reached / paced->reached), "<= the line's " + fixed(1000 / lineMs),
              metText(fast->reached <= 1000 / lineMs * 1.01)});
    printRow(
        {what + ": delivered %", fixed(fast->deliveredPercent),
         fixed(paced->deliveredPercent) + atLineText,
         times(fast->deliveredPercent / paced->deliveredPercent), "within 2 points",
         metText(std::abs(fast->deliveredPercent - paced->deliveredPercent) <= kMostPointsApart)});
    printRow(
        {what + ": latency p50 / p95 (ms)", fixed(fast->p50) + " / " + fixed(fast->p95),
         fixed(paced->p50) + " / " + fixed(paced->p95) + atLineText + "; the lab's " + fixed(labMs),
         times(fast->p50 / paced->p50), "p50 within 5 ms",
         metText(std::abs(fast->p50 - paced->p50) <= kMostMsApart)});
    return 0;
}
