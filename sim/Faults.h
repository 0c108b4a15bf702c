#pragma once
// Faults the simulated module can put on the line instead of a clean reply, so the tool's
// handling of a bad line can be tried.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "Frame.h"

namespace sim {

enum class FaultKind {
    kNone,
    kBadCheck,  // the check byte is wrong
    kShort,     // only the first half of the frame, with a check byte that fits it
    kSilence,   // no reply at all
    kGarbage,   // noise on the line just before the reply
};

struct FaultPlan {
    FaultKind kind = FaultKind::kNone;
    unsigned every = 1;  // the every-th reply is hit, and each every-th one after it
};

std::optional<FaultKind> faultKindNamed(std::string_view name);
std::string_view faultName(FaultKind kind);

struct ShapedReply {
    std::vector<std::uint8_t> bytes;  // what goes on the line; empty for silence
    FaultKind fault = FaultKind::kNone;
};

class FaultInjector {
  public:
    explicit FaultInjector(FaultPlan plan) : m_plan(plan) {}

    ShapedReply shape(const proto::Frame& reply);

  private:
    FaultPlan m_plan;
    unsigned m_replies = 0;
};

}  // namespace sim
