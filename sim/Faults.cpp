#include "Faults.h"

#include <algorithm>
#include <iterator>

namespace sim {

namespace {

struct NamedFault {
    FaultKind kind;
    std::string_view name;
};

constexpr NamedFault kFaultNames[] = {
    {FaultKind::kNone, "none"},       {FaultKind::kBadCheck, "bad-check"},
    {FaultKind::kShort, "short"},     {FaultKind::kSilence, "silence"},
    {FaultKind::kGarbage, "garbage"},
};

// Noise that is no frame start and whose XOR is not 0, so the reply behind it fails the check.
constexpr std::uint8_t kNoise[] = {0xFF, 0x13, 0x00, 0xA5};

std::vector<std::uint8_t> withFault(FaultKind kind, const proto::Frame& reply) {
    std::vector<std::uint8_t> bytes;
    switch (kind) {
        case FaultKind::kNone:
            return reply;
        case FaultKind::kBadCheck:
            bytes = reply;
            bytes.back() ^= 0xFF;
            return bytes;
        case FaultKind::kShort:
            bytes.assign(reply.begin(),
                         reply.begin() + std::max(proto::kHeaderSize, (reply.size() - 1) / 2));
            bytes.push_back(proto::xorOf(bytes));
            return bytes;
        case FaultKind::kSilence:
            return bytes;
        case FaultKind::kGarbage:
            bytes.assign(std::begin(kNoise), std::end(kNoise));
            bytes.insert(bytes.end(), reply.begin(), reply.end());
            return bytes;
    }
    return reply;
}

}  // namespace

std::optional<FaultKind> faultKindNamed(std::string_view name) {
    for (const NamedFault& fault : kFaultNames) {
        if (fault.name == name) return fault.kind;
    }
    return std::nullopt;
}

std::string_view faultName(FaultKind kind) {
    for (const NamedFault& fault : kFaultNames) {
        if (fault.kind == kind) return fault.name;
    }
    return {};
}

ShapedReply FaultInjector::shape(const proto::Frame& reply) {
    ++m_replies;
    const bool hit = m_plan.kind != FaultKind::kNone && m_replies % m_plan.every == 0;
    const FaultKind kind = hit ? m_plan.kind : FaultKind::kNone;
    return {withFault(kind, reply), kind};
}

}  // namespace sim
