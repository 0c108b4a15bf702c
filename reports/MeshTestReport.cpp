#include "MeshTestReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "SendNames.h"

namespace reports {

namespace {

double msSince(delivery::Clock::time_point start, delivery::Clock::time_point at) {
    return std::chrono::duration<double, std::milli>(at - start).count();
}

double rounded(double ms) {
    return static_cast<double>(static_cast<long long>(ms * 10 + (ms < 0 ? -0.5 : 0.5))) / 10;
}

std::string fixed(double value, const char* format = "%.1f") {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Whole milliseconds as they are, others to a tenth: "10", "17.7".
std::string msText(delivery::Clock::duration span) {
    return fixed(rounded(std::chrono::duration<double, std::milli>(span).count()), "%g");
}

std::string rateText(std::optional<double> rate) {
    return rate ? fixed(*rate) : "?";
}

std::string percentText(const delivery::PairSummary& pair) {
    const auto share = pair.deliveredShare();
    return share ? fixed(*share * 100) + "%" : "?";
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

}  // namespace

modlink::Json eventJson(const delivery::Event& event, const Names& ports,
                        delivery::Clock::time_point start) {
    if (const auto* send = std::get_if<delivery::SendOutcome>(&event)) {
        modlink::Json json = {{"event", "send"},
                              {"from", ports[send->pair.from]},
                              {"to", ports[send->pair.to]},
                              {"sequence", send->sequence},
                              {"sent_ms", rounded(msSince(start, send->sentAt))},
                              {"status", nullptr},
                              {"confirmed_ms", nullptr},
                              {"verdict", delivery::verdictName(send->verdict)},
                              {"latency_ms", nullptr},
                              {"false_ok", send->falseOk},
                              {"false_fail", send->falseFail}};
        if (send->confirmation) {
            if (const auto status = send->confirmation->status) {
                json["status"] = *status;
                json["status_text"] = proto::sendStatusText(*status);
            }
            json["confirmed_ms"] = rounded(msSince(send->sentAt, send->confirmation->at));
        }
        if (send->verdict == delivery::Verdict::Delivered)
            json["latency_ms"] = rounded(send->latencyMs);
        return json;
    }
    const auto& notice = std::get<delivery::NoticeSeen>(event);
    modlink::Json json = {{"event", "notice"},
                          {"port", ports[notice.port]},
                          {"at_ms", rounded(msSince(start, notice.at))},
                          {"kind", delivery::noticeKindName(notice.kind)}};
    if (notice.pair) {
        json["from"] = ports[notice.pair->from];
        json["to"] = ports[notice.pair->to];
        json["sequence"] = notice.sequence;
        json["latency_ms"] = rounded(notice.latencyMs);
        json["out_of_order"] = notice.outOfOrder;
        json["false_fail"] = notice.falseFail;
    }
    return json;
}

modlink::Json portJson(const char* event, const std::string& port, const std::string& reason) {
    modlink::Json json = {{"event", event}, {"port", port}};
    if (!reason.empty()) json["reason"] = reason;
    return json;
}

modlink::Json pacedJson(const delivery::Plan& plan) {
    const proto::LineSettings line = plan.line.value_or(proto::LineSettings{});
    return {
        {"event", "interval_stretched"},
        {"interval_ms", rounded(std::chrono::duration<double, std::milli>(plan.interval).count())},
        {"paced_ms",
         rounded(std::chrono::duration<double, std::milli>(delivery::pacedInterval(plan)).count())},
        {"baud", line.baud},
        {"parity", proto::parityNameOf(line.parity)}};
}

std::string pacedLine(const delivery::Plan& plan) {
    const proto::LineSettings line = plan.line.value_or(proto::LineSettings{});
    const std::string paced = msText(delivery::pacedInterval(plan));
    std::string parity;
    if (line.parity != proto::Parity::kNone)
        parity = " and " + std::string(proto::parityNameOf(line.parity)) + " parity";
    return "mesh test: --interval " + msText(plan.interval) + " stretched to " + paced +
           " ms: at " + std::to_string(line.baud) + " baud" + parity +
           " the busiest port's line needs that long for each round of sends, their "
           "confirmations and notices";
}

modlink::Json summaryJson(const delivery::Summary& summary, const Names& ports) {
    modlink::Json pairs = modlink::Json::array();
    for (const delivery::PairSummary& pair : summary.pairs) {
        modlink::Json latency = nullptr;
        if (pair.latencyMs)
            latency = {{"p50", rounded(pair.latencyMs->p50)},
                       {"p95", rounded(pair.latencyMs->p95)},
                       {"max", rounded(pair.latencyMs->max)}};
        pairs.push_back(
            {{"from", ports[pair.from]},
             {"to", ports[pair.to]},
             {"sent", pair.sent},
             {"delivered", pair.delivered},
             {"duplicates", pair.duplicates},
             {"late", pair.late},
             {"out_of_order", pair.outOfOrder},
             {"false_ok", pair.falseOk},
             {"false_fail", pair.falseFail},
             {"left_out", pair.leftOut},
             {"not_sent", pair.notSent},
             {"asked", pair.asked ? modlink::Json(*pair.asked) : modlink::Json(nullptr)},
             {"sends_per_s",
              {{"asked", rounded(pair.rate.asked)},
               {"reached", pair.rate.reached ? modlink::Json(rounded(*pair.rate.reached))
                                             : modlink::Json(nullptr)}}},
             {"latency_ms", latency}});
    }
    return {{"summary",
             {{"pairs", pairs},
              {"misdelivered", summary.misdelivered},
              {"unsent", summary.unsent},
              {"earlier_run", summary.earlierRun},
              {"untagged", summary.untagged}}}};
}

std::string csvHeader() {
    return "from,to,sequence,sent_ms,status,confirmed_ms,verdict,latency_ms,false_ok,false_fail";
}

std::string csvRow(const delivery::SendOutcome& send, const Names& ports,
                   delivery::Clock::time_point start) {
    std::string status;
    std::string confirmed;
    if (send.confirmation) {
        if (const auto code = send.confirmation->status) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", *code);
            status = hex;
        }
        confirmed = fixed(msSince(send.sentAt, send.confirmation->at));
    }
    const bool delivered = send.verdict == delivery::Verdict::Delivered;
    return csvField(ports[send.pair.from]) + "," + csvField(ports[send.pair.to]) + "," +
           std::to_string(send.sequence) + "," + fixed(msSince(start, send.sentAt)) + "," + status +
           "," + confirmed + "," + std::string(delivery::verdictName(send.verdict)) + "," +
           (delivered ? fixed(send.latencyMs) : "") + "," + (send.falseOk ? "1" : "0") + "," +
           (send.falseFail ? "1" : "0");
}

std::vector<std::string> liveTable(const delivery::Summary& summary, const Names& ports) {
    std::size_t width = 4;
    for (const std::string& port : ports) width = std::max(width, port.size());
    const auto column = [&](const std::string& text) { return padded(text, width) + "  "; };
    std::vector<std::string> lines{column("from") + column("to") +
                                   "    sent  sent/s  asked/s  delivered   p50 ms   p95 ms"};
    for (const delivery::PairSummary& pair : summary.pairs) {
        std::string line = column(ports[pair.from]) + column(ports[pair.to]) +
                           padded(std::to_string(pair.sent), 8) +
                           padded(rateText(pair.rate.reached), 8) +
                           padded(rateText(pair.rate.asked), 9) + padded(percentText(pair), 11);
        if (pair.latencyMs)
            line += padded(fixed(pair.latencyMs->p50), 9) + padded(fixed(pair.latencyMs->p95), 9);
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string deliveryMatrix(const delivery::Summary& summary, const Names& ports) {
    std::size_t width = 7;
    for (const std::string& port : ports) width = std::max(width, port.size());
    std::string text = padded("", width);
    for (const std::string& port : ports) text += "  " + padded(port, width);
    text += "\n";
    for (std::size_t from = 0; from < ports.size(); ++from) {
        text += padded(ports[from], width);
        for (std::size_t to = 0; to < ports.size(); ++to) {
            const auto pair = std::find_if(
                summary.pairs.begin(), summary.pairs.end(),
                [&](const delivery::PairSummary& p) { return p.from == from && p.to == to; });
            text += "  " + padded(pair == summary.pairs.end() ? "-" : percentText(*pair), width);
        }
        text += "\n";
    }
    return text;
}

std::string pairLines(const delivery::Summary& summary, const Names& ports) {
    std::string text;
    for (const delivery::PairSummary& pair : summary.pairs) {
        text += ports[pair.from] + " -> " + ports[pair.to] + ": sent " + std::to_string(pair.sent);
        if (pair.asked) text += " of " + std::to_string(*pair.asked);
        if (pair.leftOut > 0 || pair.notSent > 0)
            text += " (" + std::to_string(pair.leftOut) + " left out, " +
                    std::to_string(pair.notSent) + " not sent)";
        text += ", " + rateText(pair.rate.reached) + " sends/s of " + rateText(pair.rate.asked) +
                " asked, delivered " + std::to_string(pair.delivered) + " (" + percentText(pair) +
                ")";
        if (pair.latencyMs)
            text += ", latency ms p50 " + fixed(pair.latencyMs->p50) + " p95 " +
                    fixed(pair.latencyMs->p95) + " max " + fixed(pair.latencyMs->max);
        for (const auto& [count, name] : {std::pair{pair.duplicates, "duplicates"},
                                          {pair.late, "late"},
                                          {pair.outOfOrder, "out of order"},
                                          {pair.falseOk, "false ok"},
                                          {pair.falseFail, "false fail"}})
            if (count > 0) text += ", " + std::to_string(count) + " " + name;
        text += "\n";
    }
    return text;
}

std::vector<std::string> shortfalls(const delivery::Summary& summary, const Names& ports,
                                    double least) {
    std::vector<std::string> lines;
    for (const delivery::PairSummary& pair : summary.pairs) {
        const std::string name = ports[pair.from] + " -> " + ports[pair.to];
        const int known = pair.sent - pair.pending;
        const std::string of = " of " + std::to_string(known) + (known == 1 ? " send" : " sends");
        const auto share = pair.deliveredShare();
        if (!share) {
            lines.push_back(name + ": no send has its fate known");
        } else if (pair.delivered == 0) {
            lines.push_back(name + " delivered none" + of);
        } else if (*share < least) {
            // Cut, not rounded, so that a share under the least never reads as reaching it.
            const double tenths = std::floor(*share * 1000) / 10;
            lines.push_back(name + " delivered " + std::to_string(pair.delivered) + of + " (" +
                            fixed(tenths) + "%, below " + fixed(least * 100, "%g") + "%)");
        }
    }
    return lines;
}

}  // namespace reports
