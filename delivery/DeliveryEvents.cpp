#include "DeliveryEvents.h"

namespace delivery {

std::string_view verdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Delivered:
            return "delivered";
        case Verdict::NotDelivered:
            return "not_delivered";
        case Verdict::LeftOut:
            return "left_out";
    }
    return "";
}

std::string_view noticeKindName(NoticeKind kind) {
    switch (kind) {
        case NoticeKind::Delivered:
            return "delivered";
        case NoticeKind::Late:
            return "late";
        case NoticeKind::Duplicate:
            return "duplicate";
        case NoticeKind::LeftOut:
            return "left_out";
        case NoticeKind::Misdelivered:
            return "misdelivered";
        case NoticeKind::Unsent:
            return "unsent";
        case NoticeKind::EarlierRun:
            return "earlier_run";
        case NoticeKind::Untagged:
            return "untagged";
    }
    return "";
}

std::optional<double> PairSummary::deliveredShare() const {
    const int known = sent - pending;
    if (known <= 0) return std::nullopt;
    return static_cast<double>(delivered) / known;
}

}  // namespace delivery
