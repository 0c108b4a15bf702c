#pragma once
// The forms a delivery test's figures take on the command line: JSON lines, CSV rows, the live
// table, the matrix of senders by targets and the latencies of each pair. Ports are named as
// the user named them; times count from the run's start.

#include <string>
#include <vector>

#include "DeliveryEvents.h"
#include "Settings.h"

namespace reports {

using Names = std::vector<std::string>;  // the run's ports as named, by index

modlink::Json eventJson(const delivery::Event& event, const Names& ports,
                        delivery::Clock::time_point start);
modlink::Json portJson(const char* event, const std::string& port, const std::string& reason = {});
// Said once where the line carries a send more slowly than the plan's interval asks: the
// interval asked and the one kept, as an event and as a line for standard error.
modlink::Json pacedJson(const delivery::Plan& plan);
std::string pacedLine(const delivery::Plan& plan);
// {"summary": {"pairs": [...], ...}}: each pair with from, to, sent, delivered, duplicates,
// late, out_of_order, false_ok, false_fail, left_out, not_sent, asked (the count; null for a
// run by duration), sends_per_s (asked, reached) and latency_ms (p50, p95, max; null before the
// first).
modlink::Json summaryJson(const delivery::Summary& summary, const Names& ports);

std::string csvHeader();
// One send; text fields are quoted where they hold a comma or a quote.
std::string csvRow(const delivery::SendOutcome& send, const Names& ports,
                   delivery::Clock::time_point start);

// The pairs with what was sent, the sends a second reached and asked, delivered %, latency
// median and p95: one line each, after a header line.
std::vector<std::string> liveTable(const delivery::Summary& summary, const Names& ports);
// Delivery % of each sender (rows) to each target (columns); "-" where no pair was tested,
// "?" where no send has its fate yet.
std::string deliveryMatrix(const delivery::Summary& summary, const Names& ports);
// One line a pair: its counts, which add up to what it was asked for, its sends a second
// reached and asked, and its latency percentiles.
std::string pairLines(const delivery::Summary& summary, const Names& ports);

// One line for each pair that fell short: one that delivered nothing, one under the least share,
// and one with no send whose fate is known, which did not show its delivery.
std::vector<std::string> shortfalls(const delivery::Summary& summary, const Names& ports,
                                    double least);

}  // namespace reports
