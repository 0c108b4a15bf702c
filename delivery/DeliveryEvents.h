#pragma once
// What a delivery test reports: one event per send once its fate is known, one per notice a
// target's port reads, and the figures of each pair so far. Plain values: the command line
// prints them as JSON lines and CSV rows, the mesh window plots them. Ports are indices of the
// run's plan; times are the face's clock.

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include "Plan.h"

namespace delivery {

struct Confirmation {
    std::optional<std::uint8_t> status{};  // nothing: its check byte was wrong
    Clock::time_point at{};                // of its last byte
};

enum class Verdict {
    Delivered,     // its data reached the target within the time-out
    NotDelivered,  // it did not, by the end of the time-out
    LeftOut,       // a port of its pair was lost first: it does not count
};

struct SendOutcome {
    Pair pair{};
    std::uint32_t sequence = 0;
    Clock::time_point sentAt{};  // its request's last byte on the wire
    std::optional<Confirmation> confirmation{};
    std::optional<Clock::time_point> arrivedAt{};  // the notice's last byte, when delivered
    double latencyMs = 0;                          // one way, when delivered
    Verdict verdict = Verdict::NotDelivered;
    bool falseOk = false;    // confirmed "ok", not delivered
    bool falseFail = false;  // a failure status, delivered all the same
};

enum class NoticeKind {
    Delivered,     // the first data of a send, within its time-out
    Late,          // the first data of a send, after its time-out
    Duplicate,     // the data of a send that had already arrived
    LeftOut,       // the data of a send that does not count: a port of its pair was lost
    Misdelivered,  // this run's data, at a port that is not its target
    Unsent,        // this run's tag naming no send made
    EarlierRun,    // another run's tag: ignored
    Untagged,      // no tag at all
};

struct NoticeSeen {
    std::size_t port = 0;
    Clock::time_point at{};  // its last byte
    NoticeKind kind = NoticeKind::Untagged;
    std::optional<Pair> pair{};  // whose send it carried, where it is one of this run's
    std::uint32_t sequence = 0;
    double latencyMs = 0;     // from its send, for Delivered and Late; 0 when it is forgotten
    bool outOfOrder = false;  // a newer send of its pair arrived first
    bool falseFail = false;   // its send's confirmation was a failure status
};

using Event = std::variant<SendOutcome, NoticeSeen>;

// "delivered", "not_delivered", "left_out"; "delivered", "late", "duplicate", "left_out",
// "misdelivered", "unsent", "earlier_run", "untagged": the names both faces write.
std::string_view verdictName(Verdict verdict);
std::string_view noticeKindName(NoticeKind kind);

struct Latency {  // milliseconds, nearest rank within the histogram's stated error
    double p50 = 0;
    double p95 = 0;
    double max = 0;
    bool operator==(const Latency&) const = default;
};

struct Rate {          // sends a second
    double asked = 0;  // what the interval asks of the pair: its sender's sends among its targets
    std::optional<double> reached{};  // first to last send on the wire; nothing before the second
    bool operator==(const Rate&) const = default;
};

// A pair's sends add up: sent + leftOut + notSent is what it was asked for.
struct PairSummary {
    std::size_t from = 0;  // port indices: the faces name them
    std::size_t to = 0;
    int sent = 0;  // gone out and counted: each delivered, not delivered or pending
    int delivered = 0;
    int duplicates = 0;
    int late = 0;
    int outOfOrder = 0;
    int falseOk = 0;
    int falseFail = 0;
    int pending = 0;  // sent, not yet delivered, within the time-out
    int leftOut = 0;  // gone out, but a port of the pair was lost or the run ended before its fate
    int notSent = 0;  // asked for and never gone out: its write failed, or its port was away or
                      // gone, or the run ended first
    std::optional<Latency> latencyMs{};  // nothing before the first delivery
    std::optional<int> asked{};          // the plan's count; nothing for a run by duration alone
    Rate rate{};

    // Delivered among the sends whose fate is known; nothing before the first.
    std::optional<double> deliveredShare() const;
    bool operator==(const PairSummary&) const = default;
};

struct Summary {
    std::vector<PairSummary> pairs{};  // in the plan's order
    int misdelivered = 0;
    int unsent = 0;
    int earlierRun = 0;
    int untagged = 0;
};

}  // namespace delivery
